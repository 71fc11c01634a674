// The "Key Stations" window: a frame with the menu, the status bar and the list of stations, and
// the document that owns the configured list and the running stations. Everything here runs on
// the window's thread; the stations only post WM_STATION_CHANGED to it.
#pragma once

#include "platform/WindowsBase.h"

#include <chrono>
#include <memory>

#include "keystations/BrantwickDoc.h"
#include "keystations/win32/FrameStatusBar.h"
#include "keystations/win32/StationListView.h"
#include "keystations/win32/StationNotifier.h"

namespace tessaly::win32 {

class CMainFrame {
public:
    static constexpr const char* kWindowClass = "TessalyKeyStationsFrame";

    CMainFrame() = default;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;
    ~CMainFrame();

    // Makes the window, loads the configuration, starts every station and shows the list. False
    // when the window or its status bar cannot be made.
    bool Create(HINSTANCE instance, int showCommand);
    // Closes the window after `delay` (for unattended runs); a modal dialog open then is waited for.
    void CloseAfter(std::chrono::milliseconds delay);

    HWND Handle() const { return m_window; }
    HACCEL Accelerators() const { return m_accelerators; }
    // Called by the message loop after each message (the lock-key indicators).
    void AfterMessage(const MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool OnCreate();
    void OnSize();
    void OnCommand(UINT command);
    void OnDestroy();

    void StartFromDocument();
    void RestartStations();
    void Configure();
    void ToggleStatusBar();
    void ShowStartError();

    int m_modalDepth = 0;  // dialogs open over the frame: a timed close waits for them
    HINSTANCE m_instance = nullptr;
    HWND m_window = nullptr;
    HACCEL m_accelerators = nullptr;  // resource: freed with the module
    CFrameStatusBar m_statusBar;
    CStationListView m_view;
    CStationNotifier m_notifier;
    std::unique_ptr<CBrantwickDoc> m_document;
};

}  // namespace tessaly::win32
