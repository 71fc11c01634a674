#include "keystations/win32/UiText.h"

#include "keystations/win32/Resource.h"

namespace tessaly::win32 {

CString LoadResourceText(UINT id) {
    char buffer[1024] = {};
    const int copied = LoadStringA(GetModuleHandleA(nullptr), id, buffer, static_cast<int>(sizeof(buffer)));
    return copied > 0 ? CString(buffer, static_cast<std::size_t>(copied)) : CString();
}

CString CommandPrompt(UINT commandId) {
    const CString text = LoadResourceText(commandId);
    return text.substr(0, text.find('\n'));
}

CString GetWindowTextOf(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        return {};
    }
    CString text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

int ShowMessage(HWND owner, const CString& text, UINT type) {
    const CString title = LoadResourceText(IDR_MAINFRAME);
    return MessageBoxA(owner, text.c_str(), title.c_str(), type);
}

}  // namespace tessaly::win32
