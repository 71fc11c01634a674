#include "keystations/win32/EditConfigDlg.h"

#include <commctrl.h>

#include <algorithm>

#include "cardaccess/ReaderList.h"
#include "keystations/win32/Resource.h"
#include "keystations/win32/StationListView.h"
#include "keystations/win32/UiText.h"

namespace tessaly::win32 {
namespace {

constexpr int kColumnWidth = 100;  // both columns, pixels at 96 dpi

void InsertColumn(HWND list, int index, const char* heading) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(heading);
    column.cx = ScaleToScreen(kColumnWidth);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SelectRow(HWND list, int row) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

}  // namespace

bool CEditConfigDlg::DoModal(HWND owner) {
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDIT_CONFIGURATION), owner,
                        &CEditConfigDlg::DialogProc, reinterpret_cast<LPARAM>(this));
    return result == IDOK;
}

INT_PTR CALLBACK CEditConfigDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<CEditConfigDlg*>(lParam);
        self->m_dialog = dialog;
        self->OnInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<CEditConfigDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return self != nullptr ? self->OnMessage(message, wParam) : FALSE;
}

INT_PTR CEditConfigDlg::OnMessage(UINT message, WPARAM wParam) {
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDC_ADD:
            OnAdd();
            return TRUE;
        case IDC_REMOVE:
            OnRemove();
            return TRUE;
        case IDOK:
            OnSave();
            return TRUE;
        case IDCANCEL:
            EndDialog(m_dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

void CEditConfigDlg::OnInitDialog() {
    SendDlgItemMessageA(m_dialog, IDC_PORT_SPIN, UDM_SETRANGE32, CEditConfiguration::kMinPort,
                        CEditConfiguration::kMaxPort);
    HWND list = GetDlgItem(m_dialog, IDC_CURRENT_READERS);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertColumn(list, 0, "PC/SC Reader");
    InsertColumn(list, 1, "Port");

    CStringArray readers;
    (void)ListReaders(readers);  // none offered when PC/SC cannot list them
    m_rules.emplace(m_entries, readers);
    ShowRows();
    ShowReaders();
    FitDropDown();
    ShowPort(m_rules->ProposedPort());
}

void CEditConfigDlg::OnAdd() {
    if (!CheckPortField()) {
        return;
    }
    const CString reader = GetWindowTextOf(GetDlgItem(m_dialog, IDC_READER_NAME));
    const CString port = GetWindowTextOf(GetDlgItem(m_dialog, IDC_PORT));
    if (const std::optional<CString> refusal = m_rules->Add(reader, port)) {
        Complain(*refusal, 0);
        return;
    }
    ShowRows();
    ShowReaders();
    SendDlgItemMessageA(m_dialog, IDC_READER_NAME, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ShowPort(m_rules->ProposedPort());
    FitDropDown();
}

void CEditConfigDlg::OnRemove() {
    HWND list = GetDlgItem(m_dialog, IDC_CURRENT_READERS);
    m_rules->Select(
        static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    if (const std::optional<CString> refusal = m_rules->Remove()) {
        Complain(*refusal, 0);
        return;
    }
    ShowRows();
    ShowReaders();
    FitDropDown();
}

void CEditConfigDlg::OnSave() {
    // The rows are taken over only once the port field passes its check: a dialog that stays open
    // must not have changed the document.
    if (!CheckPortField()) {
        return;
    }
    m_entries = m_rules->Entries();
    EndDialog(m_dialog, IDOK);
}

void CEditConfigDlg::ShowRows() {
    HWND list = GetDlgItem(m_dialog, IDC_CURRENT_READERS);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<EditRow>& rows = m_rules->Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(rows[i].readerName.c_str());
        const auto row =
            static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA port{};
        port.iSubItem = 1;
        port.pszText = const_cast<char*>(rows[i].portText.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&port));
    }
    if (m_rules->Selection() >= 0) {
        SelectRow(list, m_rules->Selection());
    }
}

void CEditConfigDlg::ShowReaders() {
    HWND combo = GetDlgItem(m_dialog, IDC_READER_NAME);
    const CString chosen = GetWindowTextOf(combo);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const CString& reader : m_rules->OfferedReaders()) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(reader.c_str()));
    }
    // A reader chosen before a row was removed stays chosen.
    const LRESULT found = chosen.empty() ? CB_ERR
                                         : SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                        reinterpret_cast<LPARAM>(chosen.c_str()));
    SendMessageA(combo, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found),
                 0);
}

void CEditConfigDlg::ShowPort(int port) {
    SetDlgItemInt(m_dialog, IDC_PORT, static_cast<UINT>(port), TRUE);
}

void CEditConfigDlg::FitDropDown() {
    HWND combo = GetDlgItem(m_dialog, IDC_READER_NAME);
    HDC dc = GetDC(combo);
    if (dc == nullptr) {
        return;
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageA(combo, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    int widest = 0;
    for (const CString& reader : m_rules->OfferedReaders()) {
        SIZE size{};
        GetTextExtentPoint32A(dc, reader.c_str(), static_cast<int>(reader.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    if (old != nullptr) {
        SelectObject(dc, old);
    }
    ReleaseDC(combo, dc);
    const int margins = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    SendMessageA(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + margins), 0);
}

bool CEditConfigDlg::CheckPortField() {
    const std::optional<int> port =
        CEditConfiguration::ParseInteger(GetWindowTextOf(GetDlgItem(m_dialog, IDC_PORT)));
    if (!port) {
        Complain(CEditConfiguration::kNotAnInteger, IDC_PORT);
        return false;
    }
    if (*port < CEditConfiguration::kMinPort || *port > CEditConfiguration::kMaxPort) {
        Complain(CEditConfiguration::kPortRange, IDC_PORT);
        return false;
    }
    return true;
}

void CEditConfigDlg::Complain(const CString& text, int focusControl) {
    ShowMessage(m_dialog, text, MB_OK | MB_ICONEXCLAMATION);
    if (focusControl != 0) {
        HWND field = GetDlgItem(m_dialog, focusControl);
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
    }
}

}  // namespace tessaly::win32
