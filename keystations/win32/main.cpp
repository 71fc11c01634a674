// brantwick.exe, the "Key Stations" window program.
//
//   brantwick [--close-after MS]
//
// --close-after closes the window after MS milliseconds, as Exit would (unattended runs).
#include "platform/WindowsBase.h"

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/cli/CommandLine.h"
#include "keystations/win32/MainFrame.h"
#include "keystations/win32/Resource.h"
#include "keystations/win32/UiText.h"
#include "platform/Socket.h"

namespace {

using tessaly::CString;

// The command line; a window program has no console, so help and usage errors are shown in a box.
std::optional<int> ParseCommandLine(int& closeAfterMs) {
    CLI::App app{"Key Stations: one TCP server per configured key station, each on its own PC/SC reader.",
                 "brantwick"};
    tessaly::cli::Prepare(app);
    app.add_option("--close-after", closeAfterMs, "Close the window after this many milliseconds")
        ->check(CLI::Range(1, 24 * 60 * 60 * 1000));
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) {
        args.emplace_back(__argv[i]);
    }
    std::ostringstream out;
    std::ostringstream err;
    const std::optional<int> done = tessaly::cli::Parse(app, args, out, err);
    if (done) {
        const CString text = err.str().empty() ? out.str() : err.str();
        tessaly::win32::ShowMessage(nullptr, text,
                                    MB_OK | (*done == 0 ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    return done;
}

int RunMessageLoop(tessaly::win32::CMainFrame& frame) {
    MSG message{};
    int got = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (TranslateAcceleratorA(frame.Handle(), frame.Accelerators(), &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        frame.AfterMessage(message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand) {
    int closeAfterMs = 0;
    if (const std::optional<int> done = ParseCommandLine(closeAfterMs)) {
        return *done;
    }
    if (!tessaly::platform::StartSockets()) {
        tessaly::win32::ShowMessage(nullptr, tessaly::win32::LoadResourceText(IDS_SOCKETS_FAILED),
                                    MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    tessaly::win32::CMainFrame frame;
    if (!frame.Create(instance, showCommand)) {
        return 1;
    }
    if (closeAfterMs > 0) {
        frame.CloseAfter(std::chrono::milliseconds(closeAfterMs));
    }
    return RunMessageLoop(frame);
}
