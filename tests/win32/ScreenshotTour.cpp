// Shows the "Key Stations" window, its Edit Configuration dialog and its About box one after the
// other for scripts/win-screenshots. For each it prints "SHOT <name> <left> <top> <width> <height>"
// (screen pixels) and waits for a line on standard input, which the script sends once it has
// taken the picture. The stations come from the registry the script has written.
//
//   keystations_window_tour BRANTWICK_EXE
#include "platform/WindowsBase.h"

#include <commctrl.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "keystations/win32/Resource.h"
#include "tests/win32/WindowDriver.h"

namespace {

using tessaly::test::CChildProgram;

bool Shoot(const char* name, HWND window) {
    if (window == nullptr) {
        std::printf("NO WINDOW %s\n", name);
        return false;
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT area{};
    GetWindowRect(window, &area);
    std::printf("SHOT %s %ld %ld %ld %ld\n", name, static_cast<long>(area.left), static_cast<long>(area.top),
                static_cast<long>(area.right - area.left), static_cast<long>(area.bottom - area.top));
    std::fflush(stdout);
    std::string line;
    return static_cast<bool>(std::getline(std::cin, line));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keystations_window_tour BRANTWICK_EXE\n");
        return 2;
    }
    CChildProgram program(std::string("\"") + argv[1] + "\" --close-after 300000");
    HWND frame = program.WaitForWindow("TessalyKeyStationsFrame", "Key Stations");
    if (frame == nullptr || !Shoot("main", frame)) {
        return 1;
    }
    PostMessageA(frame, WM_COMMAND, ID_CONFIGURE, 0);
    HWND dialog = program.WaitForWindow("#32770", "Edit Configuration");
    if (dialog != nullptr) {
        tessaly::test::SelectListRow(GetDlgItem(dialog, IDC_CURRENT_READERS), 0);
    }
    if (!Shoot("edit-configuration", dialog)) {
        return 1;
    }
    tessaly::test::Press(dialog, IDCANCEL);
    tessaly::test::WaitUntil([&] { return IsWindow(dialog) == FALSE; });
    PostMessageA(frame, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = program.WaitForWindow("#32770", "About Key Stations");
    if (!Shoot("about", about)) {
        return 1;
    }
    tessaly::test::Press(about, IDOK);
    tessaly::test::WaitUntil([&] { return IsWindow(about) == FALSE; });
    PostMessageA(frame, WM_CLOSE, 0, 0);
    return program.WaitForExit() == 0 ? 0 : 1;
}
