// Drives a window program in another process through window messages, as a person's clicks
// would, and reads back what its controls show. Messages of the list view and the status bar carry
// pointers, so their buffers are made in the other process.
#pragma once

#include "platform/WindowsBase.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tessaly::test {

// Polls `done` until it holds or `limit` has passed; the answer says which.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30));

// A started program. Ended by its process handle when the test is done with it and it still runs.
class CChildProgram {
public:
    explicit CChildProgram(const std::string& commandLine);
    CChildProgram(const CChildProgram&) = delete;
    CChildProgram& operator=(const CChildProgram&) = delete;
    ~CChildProgram();

    bool IsRunning() const;
    DWORD ProcessId() const { return m_info.dwProcessId; }
    HANDLE Process() const { return m_info.hProcess; }
    // Waits for the program to end by itself; its exit code, or STILL_ACTIVE.
    DWORD WaitForExit();

    // A visible top-level window of the program with that class ("#32770" for dialogs and message
    // boxes) and caption, waited for; null when none came.
    HWND WaitForWindow(const std::string& className, const std::string& caption) const;

private:
    PROCESS_INFORMATION m_info{};
};

std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int controlId);
std::string ClassOf(HWND window);
// The text of a message box.
std::string MessageBoxText(HWND box);
// A button of a dialog pressed (posted: the press may open a modal box of its own).
void Press(HWND dialog, int buttonId);

// A list view in another process.
struct ListColumn {
    std::string heading;
    int width = 0;
};
std::vector<ListColumn> ListColumns(HWND list, int count);
// Every row, each with its cells.
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
std::vector<LPARAM> ListItemData(HWND list);
void SelectListRow(HWND list, int row);
// The texts of a status bar's panes.
std::vector<std::string> StatusTexts(HWND bar);
// Items of a combo box, in list order.
std::vector<std::string> ComboItems(HWND combo);

}  // namespace tessaly::test
