// The Windows headers, included once in the order they need: winsock2.h before windows.h, no min/max
// macros, nothing of windows.h that the platform code does not use. Windows builds only.
#pragma once

#ifndef _WIN32
#error "platform/WindowsBase.h is for Windows builds"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
// winsock2.h first: windows.h would otherwise pull in the old winsock.h.
#include <windows.h>
