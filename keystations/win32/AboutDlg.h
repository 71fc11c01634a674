// The About box: product name, "Key Stations Version " with the build's version, legal notice.
#pragma once

#include "platform/WindowsBase.h"

#include "common/Types.h"

namespace tessaly::win32 {

class CAboutDlg {
public:
    void DoModal(HWND owner);

    // "Key Stations Version 2.0.0.27": the version resource's "2, 0, 0, 27" with each ", " made ".".
    static CString VersionText();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace tessaly::win32
