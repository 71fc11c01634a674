#include "keystations/win32/AboutDlg.h"

#include "keystations/win32/Resource.h"
#include "tessaly/Version.h"

namespace tessaly::win32 {

CString CAboutDlg::VersionText() {
    CString version = TESSALY_VERSION_RESOURCE_TEXT;
    for (std::size_t at = version.find(", "); at != CString::npos; at = version.find(", ", at + 1)) {
        version.replace(at, 2, ".");
    }
    return "Key Stations Version " + version;
}

void CAboutDlg::DoModal(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), owner, &CAboutDlg::DialogProc,
                    0);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dialog, IDC_VERSION, VersionText().c_str());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace tessaly::win32
