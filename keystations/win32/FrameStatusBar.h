// The frame's status bar: the message pane (menu prompts, "Ready" when idle) and the Caps Lock,
// Num Lock and Scroll Lock indicators.
#pragma once

#include "platform/WindowsBase.h"

#include "common/Types.h"

namespace tessaly::win32 {

class CFrameStatusBar {
public:
    static constexpr int kPaneCount = 4;

    bool Create(HWND parent, HINSTANCE instance);
    HWND Handle() const { return m_bar; }
    bool IsVisible() const;
    void Show(bool visible);
    // Places the bar at the bottom of the frame; returns the height it takes (0 when hidden).
    int Layout();

    void SetMessage(const CString& text);
    void ShowIdleMessage();
    // WM_MENUSELECT: the prompt of the highlighted command, "Ready" once the menu closes.
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    // Shows each lock key's indicator while the key is on.
    void UpdateIndicators();

private:
    HWND m_bar = nullptr;
};

}  // namespace tessaly::win32
