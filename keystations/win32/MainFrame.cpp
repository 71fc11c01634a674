#include "keystations/win32/MainFrame.h"

#include <commctrl.h>

#include <algorithm>

#include "keystations/win32/AboutDlg.h"
#include "keystations/win32/EditConfigDlg.h"
#include "keystations/win32/Resource.h"
#include "keystations/win32/UiText.h"

namespace tessaly::win32 {
namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseRetryMs = 500;

// The wait cursor for as long as the stations start or stop.
class CWaitCursor {
public:
    CWaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}  // IDC_WAIT
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    ~CWaitCursor() { SetCursor(m_previous); }

private:
    HCURSOR m_previous;
};

// Counts the dialogs open over the frame, for as long as one is.
class CModalScope {
public:
    explicit CModalScope(int& depth) : m_depth(depth) { ++m_depth; }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;
    ~CModalScope() { --m_depth; }

private:
    int& m_depth;
};

}  // namespace

CMainFrame::~CMainFrame() {
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
}

bool CMainFrame::Create(HINSTANCE instance, int showCommand) {
    m_instance = instance;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &CMainFrame::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));      // IDI_APPLICATION
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINFRAME);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExA(&windowClass) == 0) {
        return false;
    }
    m_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    const CString title = LoadResourceText(IDR_MAINFRAME);
    if (CreateWindowExA(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this) == nullptr) {
        return false;
    }
    OnSize();  // an unshown window has had no WM_SIZE yet, and the list's width matters now
    // The document loads the list; the stations start before the first rows are shown.
    m_document = std::make_unique<CBrantwickDoc>();
    m_document->SetObserver(&m_notifier);
    StartFromDocument();
    ShowWindow(m_window, showCommand);
    UpdateWindow(m_window);
    if (!m_document->StartError().empty()) {
        ShowStartError();
    }
    return true;
}

void CMainFrame::CloseAfter(std::chrono::milliseconds delay) {
    SetTimer(m_window, kCloseTimer, static_cast<UINT>(delay.count()), nullptr);
}

void CMainFrame::AfterMessage(const MSG& message) {
    if (message.message == WM_KEYUP || message.message == WM_KEYDOWN) {
        m_statusBar.UpdateIndicators();
    }
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CMainFrame*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CMainFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate() ? 0 : -1;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_SETFOCUS:
            SetFocus(m_view.Handle());
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_MENUSELECT:
            m_statusBar.OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        case WM_STATION_CHANGED:
            if (m_document) {
                m_view.Update(*m_document, static_cast<int>(wParam));
            }
            return 0;
        case WM_TIMER:
            if (wParam == kCloseTimer) {
                if (m_modalDepth > 0) {
                    SetTimer(m_window, kCloseTimer, kCloseRetryMs, nullptr);
                } else {
                    KillTimer(m_window, kCloseTimer);
                    PostMessageA(m_window, WM_CLOSE, 0, 0);
                }
            }
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_NCDESTROY: {
            HWND window = m_window;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            m_window = nullptr;
            return DefWindowProcA(window, message, wParam, lParam);
        }
        default:
            return DefWindowProcA(m_window, message, wParam, lParam);
    }
}

bool CMainFrame::OnCreate() {
    // Without its status bar the frame is not made, and the program does not start.
    if (!m_statusBar.Create(m_window, m_instance) || !m_view.Create(m_window, m_instance)) {
        return false;
    }
    m_notifier.SetWindow(m_window);
    return true;
}

void CMainFrame::OnSize() {
    RECT client{};
    GetClientRect(m_window, &client);
    const int barHeight = m_statusBar.Layout();
    MoveWindow(m_view.Handle(), 0, 0, client.right, std::max<LONG>(0, client.bottom - barHeight), TRUE);
}

void CMainFrame::OnCommand(UINT command) {
    switch (command) {
        case ID_FILE_NEW:
            RestartStations();
            break;
        case ID_CONFIGURE:
            Configure();
            break;
        case ID_APP_EXIT:
            PostMessageA(m_window, WM_CLOSE, 0, 0);
            break;
        case ID_VIEW_STATUS_BAR:
            ToggleStatusBar();
            break;
        case ID_APP_ABOUT: {
            const CModalScope modal(m_modalDepth);
            CAboutDlg().DoModal(m_window);
            break;
        }
        default:
            break;
    }
}

void CMainFrame::OnDestroy() {
    // Every station stops (each waits for its thread) before the window goes; messages they post
    // meanwhile are never handled.
    m_notifier.SetWindow(nullptr);
    if (m_document) {
        const CWaitCursor wait;
        m_document->StopStations();
        m_document->SetObserver(nullptr);
    }
    PostQuitMessage(0);
}

void CMainFrame::StartFromDocument() {
    {
        const CWaitCursor wait;
        (void)m_document->StartStations();
    }
    m_view.InitialUpdate(*m_document);
}

void CMainFrame::RestartStations() {
    {
        const CWaitCursor wait;
        m_document->StopStations();
    }
    StartFromDocument();
    if (!m_document->StartError().empty()) {
        ShowStartError();
    }
}

void CMainFrame::Configure() {
    {
        const CModalScope modal(m_modalDepth);
        CEditConfigDlg dialog(m_document->Entries());
        if (!dialog.DoModal(m_window)) {
            return;
        }
        m_document->SetEntries(dialog.Entries());
        if (ShowMessage(m_window, LoadResourceText(IDS_RESTART_QUESTION), MB_YESNO | MB_ICONQUESTION) !=
            IDYES) {
            return;  // kept in memory only: the next restart starts it, the registry keeps the old list
        }
        // A failed write is told, not passed over: the list would be gone at the next start.
        if (!m_document->SaveConfiguration()) {
            ShowMessage(m_window, LoadResourceText(IDS_SAVE_FAILED), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    RestartStations();
}

void CMainFrame::ToggleStatusBar() {
    const bool visible = !m_statusBar.IsVisible();
    m_statusBar.Show(visible);
    CheckMenuItem(GetMenu(m_window), ID_VIEW_STATUS_BAR,
                  MF_BYCOMMAND | (visible ? MF_CHECKED : MF_UNCHECKED));
    OnSize();
}

void CMainFrame::ShowStartError() {
    const CModalScope modal(m_modalDepth);
    ShowMessage(m_window, m_document->StartError(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tessaly::win32
