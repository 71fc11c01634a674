#include "tests/win32/WindowDriver.h"

#include <commctrl.h>

#include <thread>

namespace tessaly::test {
namespace {

constexpr std::size_t kTextRoom = 512;

// Memory in the other process for one message: a structure followed by a text buffer.
class CRemoteBlock {
public:
    CRemoteBlock(HWND window, std::size_t size) : m_size(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (m_process != nullptr) {
            m_base = static_cast<char*>(VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        }
    }
    CRemoteBlock(const CRemoteBlock&) = delete;
    CRemoteBlock& operator=(const CRemoteBlock&) = delete;
    ~CRemoteBlock() {
        if (m_base != nullptr) {
            VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
        }
        if (m_process != nullptr) {
            CloseHandle(m_process);
        }
    }

    char* At(std::size_t offset) const { return m_base + offset; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        return m_base != nullptr && offset + size <= m_size &&
               WriteProcessMemory(m_process, m_base + offset, data, size, nullptr) != FALSE;
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return m_base != nullptr && offset + size <= m_size &&
               ReadProcessMemory(m_process, m_base + offset, data, size, nullptr) != FALSE;
    }
    std::string ReadText(std::size_t offset) const {
        std::vector<char> text(kTextRoom + 1, '\0');
        return Read(offset, text.data(), kTextRoom) ? std::string(text.data()) : std::string();
    }

private:
    HANDLE m_process = nullptr;
    char* m_base = nullptr;
    std::size_t m_size;
};

// Sends `message` with `item`, and the text buffer its pszText names, placed in the window's
// process; `item` and the text come back as the control left them.
template <class Item>
std::string SendRemote(HWND window, UINT message, WPARAM wParam, Item& item) {
    const CRemoteBlock block(window, sizeof(Item) + kTextRoom + 1);
    item.pszText = block.At(sizeof(Item));
    item.cchTextMax = static_cast<int>(kTextRoom);
    const char nothing = '\0';
    block.Write(0, &item, sizeof(Item));
    block.Write(sizeof(Item), &nothing, 1);
    SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(block.At(0)));
    block.Read(0, &item, sizeof(Item));
    return block.ReadText(sizeof(Item));
}

struct WindowSearch {
    DWORD processId;
    std::string className;
    std::string caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && IsWindowVisible(window) != FALSE &&
        ClassOf(window) == search->className && TextOf(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

CChildProgram::CChildProgram(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    std::string line = commandLine;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &m_info) == FALSE) {
        m_info = {};
    } else {
        WaitForInputIdle(m_info.hProcess, 30000);
    }
}

CChildProgram::~CChildProgram() {
    if (m_info.hProcess != nullptr) {
        if (IsRunning()) {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, 30000);
        }
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
}

bool CChildProgram::IsRunning() const {
    return m_info.hProcess != nullptr && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD CChildProgram::WaitForExit() {
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess != nullptr && WaitForSingleObject(m_info.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(m_info.hProcess, &code);
    }
    return code;
}

HWND CChildProgram::WaitForWindow(const std::string& className, const std::string& caption) const {
    WindowSearch search{m_info.dwProcessId, className, caption, nullptr};
    WaitUntil([&] {
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

std::string TextOf(HWND window) {
    // WM_GETTEXT itself: GetWindowText answers another process's control with its first text.
    char text[kTextRoom] = {};
    const auto length = static_cast<int>(
        SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(sizeof(text)), reinterpret_cast<LPARAM>(text)));
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string ItemText(HWND dialog, int controlId) {
    return TextOf(GetDlgItem(dialog, controlId));
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, static_cast<int>(sizeof(name)));
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string MessageBoxText(HWND box) {
    return ItemText(box, 0xFFFF);  // the message's static control
}

void Press(HWND dialog, int buttonId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

std::vector<ListColumn> ListColumns(HWND list, int count) {
    std::vector<ListColumn> columns;
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        std::string heading = SendRemote(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i), column);
        columns.push_back({std::move(heading), column.cx});
    }
    return columns;
}

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows(
        static_cast<std::size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            rows[row].push_back(SendRemote(list, LVM_GETITEMTEXTA, row, item));
        }
    }
    return rows;
}

std::vector<LPARAM> ListItemData(HWND list) {
    std::vector<LPARAM> data;
    const auto count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendRemote(list, LVM_GETITEMA, 0, item);
        data.push_back(item.lParam);
    }
    return data;
}

void SelectListRow(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendRemote(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), item);
}

std::vector<std::string> StatusTexts(HWND bar) {
    std::vector<std::string> texts;
    const CRemoteBlock block(bar, kTextRoom + 1);
    const auto parts = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
        const char nothing = '\0';
        block.Write(0, &nothing, 1);
        const auto length = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(i), 0));
        if (length < kTextRoom) {
            SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(block.At(0)));
        }
        texts.push_back(block.ReadText(0));
    }
    return texts;
}

std::vector<std::string> ComboItems(HWND combo) {
    // The wide message: Wine hands another process's narrow combo texts over as wide ones.
    std::vector<std::string> items;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t wide[kTextRoom] = {};
        char text[kTextRoom] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) <
            static_cast<LRESULT>(kTextRoom)) {
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, static_cast<int>(sizeof(text)), nullptr, nullptr);
        }
        items.emplace_back(text);
    }
    return items;
}

}  // namespace tessaly::test
