// The "Key Stations" window program, started as a person would start it and driven through its
// window messages: the list, the menu's commands and prompts, the Edit Configuration dialog with
// its messages, the About box, and the end. There is no card reader here (Wine's PC/SC answers
// "internal error"), so every configured station shows "CardFailed".
#include "platform/WindowsBase.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>

#include "common/registry/Registry.h"
#include "keystations/StationConfiguration.h"
#include "keystations/win32/Resource.h"
#include "tests/win32/WindowDriver.h"

namespace tessaly::test {
namespace {

const std::string kKey = kBrantwickKey;
constexpr const char* kFrameClass = "TessalyKeyStationsFrame";
constexpr const char* kDialogClass = "#32770";

void Configure(const std::vector<std::pair<std::string, std::uint32_t>>& stations) {
    DeleteRegistryKey(kKey);
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const std::string server = kKey + "\\Server" + std::to_string(i);
        ASSERT_TRUE(WriteRegistryString(server + "\\ReaderName", stations[i].first, false));
        ASSERT_TRUE(WriteRegistryDWord(server + "\\Port", stations[i].second));
    }
}

class KeyStationsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Configure({{"Reader Two", 5002}, {"Reader One", 5001}});
        m_program = std::make_unique<CChildProgram>(std::string("\"") + TESSALY_BRANTWICK_EXE +
                                                    "\" --close-after 300000");
        ASSERT_TRUE(m_program->IsRunning());
        m_frame = m_program->WaitForWindow(kFrameClass, "Key Stations");
        ASSERT_NE(m_frame, nullptr);
        m_list = GetDlgItem(m_frame, IDC_STATION_LIST);
        m_bar = GetDlgItem(m_frame, IDC_STATUS_BAR);
        ASSERT_TRUE(WaitUntil([&] { return ListRows(m_list, 6).size() == 2; }));
    }
    void TearDown() override {
        m_program.reset();
        DeleteRegistryKey(kKey);
    }

    // Posts a command to the frame, waits for the dialog or box it opens.
    HWND Open(UINT command, const std::string& caption) {
        PostMessageA(m_frame, WM_COMMAND, command, 0);
        return m_program->WaitForWindow(kDialogClass, caption);
    }
    // Presses a button and returns the text of the message box it brings up, closing that box.
    std::string Refusal(HWND dialog, int button) {
        Press(dialog, button);
        HWND box = m_program->WaitForWindow(kDialogClass, "Key Stations");
        const std::string text = box != nullptr ? MessageBoxText(box) : "(no message box)";
        Press(box, IDOK);
        WaitUntil([&] { return IsWindow(box) == FALSE; });
        return text;
    }

    std::unique_ptr<CChildProgram> m_program;
    HWND m_frame = nullptr;
    HWND m_list = nullptr;
    HWND m_bar = nullptr;
};

TEST_F(KeyStationsWindowTest, ListShowsEveryConfiguredStation) {
    const std::vector<ListColumn> columns = ListColumns(m_list, 6);
    const std::array<ListColumn, 6> expected = {{{"Station Status", 80},
                                                 {"PC/SC Reader", 0},
                                                 {"Port", 65},
                                                 {"Client IP Address", 100},
                                                 {"Client Port", 65},
                                                 {"Total Transactions", 100}}};
    RECT client{};
    GetClientRect(m_list, &client);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(columns[i].heading, expected[i].heading);
        // The reader column takes the width the others leave.
        EXPECT_EQ(columns[i].width, i == 1 ? client.right - 410 : expected[i].width) << expected[i].heading;
    }
    EXPECT_EQ(SendMessageA(ListView_GetHeader(m_list), HDM_GETITEMCOUNT, 0, 0), 6);

    // Equal statuses keep the configured order.
    const std::vector<std::vector<std::string>> rows = ListRows(m_list, 6);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"CardFailed", "Reader Two", "5002", "", "", "0"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"CardFailed", "Reader One", "5001", "", "", "0"}));
    EXPECT_EQ(ListItemData(m_list), (std::vector<LPARAM>{1, 2}));

    // A station that no longer exists is ignored.
    PostMessageA(m_frame, WM_APP + 1, 77, 0);
    SendMessageA(m_frame, WM_NULL, 0, 0);
    EXPECT_EQ(ListRows(m_list, 6).size(), 2U);
    EXPECT_EQ(TextOf(m_frame), "Key Stations");
}

TEST_F(KeyStationsWindowTest, StatusBarShowsPromptsAndIndicators) {
    EXPECT_EQ(StatusTexts(m_bar).size(), 4U);
    EXPECT_EQ(StatusTexts(m_bar)[0], "Ready");
    const std::array<std::pair<UINT, std::string>, 3> prompts = {
        {{ID_FILE_NEW, "Restart Key Stations"},
         {ID_CONFIGURE, "Change key station configuration"},
         {0, "Ready"}}};
    for (const auto& [command, prompt] : prompts) {
        const WPARAM item = command == 0 ? MAKEWPARAM(0, 0xFFFF) : MAKEWPARAM(command, MF_HILITE);
        SendMessageA(m_frame, WM_MENUSELECT, item,
                     command == 0 ? 0 : reinterpret_cast<LPARAM>(GetMenu(m_frame)));
        EXPECT_EQ(StatusTexts(m_bar)[0], prompt);
    }
    SendMessageA(m_frame, WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    EXPECT_FALSE(IsWindowVisible(m_bar));
    SendMessageA(m_frame, WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    EXPECT_TRUE(IsWindowVisible(m_bar));
}

TEST_F(KeyStationsWindowTest, RestartMakesNewStations) {
    PostMessageA(m_frame, WM_COMMAND, ID_FILE_NEW, 0);
    ASSERT_TRUE(WaitUntil([&] { return ListItemData(m_list) == std::vector<LPARAM>{3, 4}; }));
    for (const std::vector<std::string>& row : ListRows(m_list, 6)) {
        EXPECT_EQ(row[0], "CardFailed");
        EXPECT_EQ(row[5], "0");
    }
    EXPECT_EQ(TextOf(m_frame), "Key Stations");
}

TEST_F(KeyStationsWindowTest, EditConfigurationAddsRemovesAndSaves) {
    HWND dialog = Open(ID_CONFIGURE, "Edit Configuration");
    ASSERT_NE(dialog, nullptr);
    HWND rows = GetDlgItem(dialog, IDC_CURRENT_READERS);
    HWND readers = GetDlgItem(dialog, IDC_READER_NAME);
    const std::vector<ListColumn> columns = ListColumns(rows, 2);
    EXPECT_EQ(columns[0].heading, "PC/SC Reader");
    EXPECT_EQ(columns[1].heading, "Port");
    EXPECT_EQ(columns[1].width, 100);
    for (const auto& [id, text] : std::vector<std::pair<int, std::string>>{
             {IDC_ADD, "&Add"}, {IDC_REMOVE, "&Remove"}, {IDOK, "&Save"}, {IDCANCEL, "&Cancel"}}) {
        EXPECT_EQ(ItemText(dialog, id), text);
    }
    EXPECT_EQ(ListRows(rows, 2),
              (std::vector<std::vector<std::string>>{{"Reader Two", "5002"}, {"Reader One", "5001"}}));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "5003");
    EXPECT_TRUE(ComboItems(readers).empty());  // no PC/SC readers here

    SetDlgItemTextA(dialog, IDC_PORT, "30001");
    EXPECT_EQ(Refusal(dialog, IDC_ADD), "Please enter an integer between 1 and 30000.");
    SetDlgItemTextA(dialog, IDC_PORT, "5001");
    EXPECT_EQ(Refusal(dialog, IDC_ADD), "Port 5001 is already in use.  Select another port");
    SetDlgItemTextA(dialog, IDC_PORT, "5007");
    EXPECT_EQ(Refusal(dialog, IDC_ADD), "Please select a reader name");
    EXPECT_EQ(Refusal(dialog, IDC_REMOVE), "Please select the reader you would like to remove.");

    // Removing the last row selects the new last row and offers its reader again.
    SelectListRow(rows, 1);
    Press(dialog, IDC_REMOVE);
    ASSERT_TRUE(WaitUntil([&] { return ComboItems(readers) == std::vector<std::string>{"Reader One"}; }));
    EXPECT_EQ(ListRows(rows, 2), (std::vector<std::vector<std::string>>{{"Reader Two", "5002"}}));
    EXPECT_EQ(SendMessageA(rows, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

    SendMessageA(readers, CB_SETCURSEL, 0, 0);
    SetDlgItemTextA(dialog, IDC_PORT, "4000");
    Press(dialog, IDC_ADD);
    ASSERT_TRUE(WaitUntil([&] { return ListRows(rows, 2).size() == 2; }));
    EXPECT_EQ(ListRows(rows, 2)[1], (std::vector<std::string>{"Reader One", "4000"}));
    EXPECT_EQ(ItemText(dialog, IDC_PORT), "5003");
    EXPECT_TRUE(ComboItems(readers).empty());
    EXPECT_EQ(TextOf(readers), "");

    Press(dialog, IDOK);
    HWND question = m_program->WaitForWindow(kDialogClass, "Key Stations");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), "Configuration has changed - restart key servers?");
    Press(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return ListItemData(m_list) == std::vector<LPARAM>{3, 4}; }));
    EXPECT_EQ(ListRows(m_list, 6)[1][1], "Reader One");
    EXPECT_EQ(ReadRegistryString(kKey + "\\Server0\\ReaderName"), "Reader Two");
    EXPECT_EQ(ReadRegistryString(kKey + "\\Server1\\ReaderName"), "Reader One");
    EXPECT_EQ(ReadRegistryDWord(kKey + "\\Server1\\Port"), 4000U);
}

TEST_F(KeyStationsWindowTest, AboutBoxAndExit) {
    HWND about = Open(ID_APP_ABOUT, "About Key Stations");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ItemText(about, IDC_VERSION), "Key Stations Version 2.0.0.27");
    EXPECT_FALSE(ItemText(about, IDC_PRODUCT_NAME).empty());
    EXPECT_FALSE(ItemText(about, IDC_LEGAL_NOTICE).empty());
    Press(about, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return IsWindow(about) == FALSE; }));

    PostMessageA(m_frame, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(m_program->WaitForExit(), 0U);
}

}  // namespace
}  // namespace tessaly::test
