// WinSCard on Windows. The reader layer works with single-byte reader names.
#pragma once

#include "platform/WindowsBase.h"
// winscard.h needs the base types of windows.h.
#include <winscard.h>

#define TESSALY_SCARD_A(name) name##A
using ReaderState = SCARD_READERSTATEA;
