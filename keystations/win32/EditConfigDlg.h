// The "Edit Configuration" dialog: the controls of the station list, over the dialog's rules in
// CEditConfiguration (rows, readers offered, proposed port, the checks and their messages).
#pragma once

#include "platform/WindowsBase.h"

#include <optional>
#include <vector>

#include "keystations/EditConfiguration.h"

namespace tessaly::win32 {

class CEditConfigDlg {
public:
    explicit CEditConfigDlg(std::vector<KeyStationEntry> entries) : m_entries(std::move(entries)) {}

    // Runs the dialog; true when it ended with Save. The readers offered are listed from PC/SC
    // when the dialog opens (none when PC/SC cannot list them).
    bool DoModal(HWND owner);
    // After Save: the rows as the document's entry list.
    const std::vector<KeyStationEntry>& Entries() const { return m_entries; }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam);

    void OnInitDialog();
    void OnAdd();
    void OnRemove();
    void OnSave();

    void ShowRows();
    void ShowReaders();
    void ShowPort(int port);
    void FitDropDown();
    // The port field's own check, as when its value is taken over; shows its message on failure.
    bool CheckPortField();
    void Complain(const CString& text, int focusControl);

    HWND m_dialog = nullptr;
    std::vector<KeyStationEntry> m_entries;
    std::optional<CEditConfiguration> m_rules;
};

}  // namespace tessaly::win32
