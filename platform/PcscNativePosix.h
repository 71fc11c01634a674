// pcsc-lite, which offers the WinSCard calls under their plain names.
#pragma once

#include <PCSC/winscard.h>

#define TESSALY_SCARD_A(name) name
using ReaderState = SCARD_READERSTATE;
