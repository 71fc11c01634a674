// Texts of the window program: its string table, window texts, and the message boxes that carry
// the program's title.
#pragma once

#include "platform/WindowsBase.h"

#include "common/Types.h"

namespace tessaly::win32 {

// The string table entry, or the empty text.
CString LoadResourceText(UINT id);
// The part of a command's string before its "\n" (the status bar prompt).
CString CommandPrompt(UINT commandId);
CString GetWindowTextOf(HWND window);
// A message box titled "Key Stations"; returns the button pressed.
int ShowMessage(HWND owner, const CString& text, UINT type);

}  // namespace tessaly::win32
