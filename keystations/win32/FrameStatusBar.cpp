#include "keystations/win32/FrameStatusBar.h"

#include <commctrl.h>

#include <array>

#include "keystations/win32/Resource.h"
#include "keystations/win32/UiText.h"

namespace tessaly::win32 {
namespace {

struct Indicator {
    UINT textId;
    int key;
};

constexpr std::array<Indicator, 3> kIndicators = {{
    {ID_INDICATOR_CAPS, VK_CAPITAL},
    {ID_INDICATOR_NUM, VK_NUMLOCK},
    {ID_INDICATOR_SCRL, VK_SCROLL},
}};

// An indicator pane is as wide as its text with a margin on each side.
int IndicatorWidth(HWND bar, const CString& text) {
    HDC dc = GetDC(bar);
    SIZE size{};
    if (dc != nullptr) {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0));
        HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        if (old != nullptr) {
            SelectObject(dc, old);
        }
        ReleaseDC(bar, dc);
    }
    return size.cx + 2 * GetSystemMetrics(SM_CXEDGE) + 8;
}

}  // namespace

bool CFrameStatusBar::Create(HWND parent, HINSTANCE instance) {
    m_bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance, nullptr);
    if (m_bar == nullptr) {
        return false;
    }
    ShowIdleMessage();
    UpdateIndicators();
    return true;
}

bool CFrameStatusBar::IsVisible() const {
    return m_bar != nullptr && IsWindowVisible(m_bar) != FALSE;
}

void CFrameStatusBar::Show(bool visible) {
    ShowWindow(m_bar, visible ? SW_SHOW : SW_HIDE);
}

int CFrameStatusBar::Layout() {
    if (!IsVisible()) {
        return 0;
    }
    SendMessageA(m_bar, WM_SIZE, 0, 0);
    RECT bar{};
    GetClientRect(m_bar, &bar);
    std::array<int, kPaneCount> edges{};
    int right = bar.right - GetSystemMetrics(SM_CXVSCROLL);  // room for the size grip
    for (std::size_t i = kIndicators.size(); i > 0; --i) {
        edges[i] = right;
        right -= IndicatorWidth(m_bar, LoadResourceText(kIndicators[i - 1].textId));
    }
    edges[0] = right;
    edges[kPaneCount - 1] = -1;
    SendMessageA(m_bar, SB_SETPARTS, kPaneCount, reinterpret_cast<LPARAM>(edges.data()));
    UpdateIndicators();
    RECT window{};
    GetWindowRect(m_bar, &window);
    return window.bottom - window.top;
}

void CFrameStatusBar::SetMessage(const CString& text) {
    SendMessageA(m_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CFrameStatusBar::ShowIdleMessage() {
    SetMessage(LoadResourceText(IDS_IDLE_MESSAGE));
}

void CFrameStatusBar::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    const bool closed = flags == 0xFFFF && menu == nullptr;
    if (closed || (flags & (MF_POPUP | MF_SEPARATOR)) != 0) {
        ShowIdleMessage();
        return;
    }
    SetMessage(CommandPrompt(item));
}

void CFrameStatusBar::UpdateIndicators() {
    for (std::size_t i = 0; i < kIndicators.size(); ++i) {
        const bool on = (GetKeyState(kIndicators[i].key) & 1) != 0;
        const CString text = on ? LoadResourceText(kIndicators[i].textId) : CString();
        SendMessageA(m_bar, SB_SETTEXTA, static_cast<WPARAM>(i + 1), reinterpret_cast<LPARAM>(text.c_str()));
    }
}

}  // namespace tessaly::win32
