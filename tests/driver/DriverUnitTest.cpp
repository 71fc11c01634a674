// What the driver shows the operator from the audit data and the error file, and the C API's
// argument checks, without readers or a host.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/TextEncoding.h"
#include "common/registry/Registry.h"
#include "driver/AuditDisplay.h"
#include "driver/capi/quorlin.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

class CRecordingOperator final : public COperatorInterface {
public:
    OperatorDialogAnswer ShowDialog(const OperatorDialogRequest& /*request*/) override { return {}; }
    void ShowMessageBox(const CString& /*caption*/, const CString& text) override { boxes.push_back(text); }
    std::vector<CString> boxes;
};

const CString kCorrupt = kCorruptAuditText;

struct AuditCase {
    const char* hex;
    std::vector<CString> boxes;
};

TEST(AuditDisplay, ShowsTextItemsAndStopsAtCorruptData) {
    const AuditCase cases[] = {
        {"", {}},
        {"4400054845 4C4C4F", {"HELLO"}},
        {"EE4400024F4B 41000158", {"OK"}},
        {"440009 4142", {kCorrupt}},
        {"440001 41 EE", {"A"}},                  // a separator at the very end
        {"440001 41 4400", {"A", kCorrupt}},      // the second item's length runs out
        {"44", {kCorrupt}},                       // no room for the length at all
        {"440000 41000141", {""}},                // empty text, then a skipped item
        {"4400034100 42 440001 43", {"A", "C"}},  // a text ends at its first zero byte
        {"EEEE440001 41", {kCorrupt}},            // only one separator is skipped
    };
    for (const AuditCase& c : cases) {
        CByteArray audit;
        ASSERT_TRUE(ParseHex(c.hex, audit)) << c.hex;
        CRecordingOperator ui;
        ShowAuditData(ui, audit);
        EXPECT_EQ(ui.boxes, c.boxes) << c.hex;
    }
}

TEST(AuditDisplay, TextsAreCutAt2999Bytes) {
    CByteArray audit = {0x44, 0x0B, 0xB8};  // 3000 bytes
    audit.resize(3 + 3000, 'x');
    audit.push_back(0x41);
    CRecordingOperator ui;
    ShowAuditData(ui, audit);  // the last byte 41 has no header room: corrupt
    ASSERT_EQ(ui.boxes.size(), 2U);
    EXPECT_EQ(ui.boxes[0], CString(2999, 'x'));
    EXPECT_EQ(ui.boxes[1], kCorrupt);
}

TEST(ErrorFile, ShowsTheRestOfTheMatchingLine) {
    const std::filesystem::path folder = test::MakeTempFolder();
    std::ofstream(folder / "APP_ERROR.msg", std::ios::binary) << "1234 short code\n"
                                                              << "00123 Card not personalized\n"
                                                              << CString(300, 'z') << "\n"
                                                              << "00777" << CString(260, 'y') << "\n"
                                                              << "00999 X\n"
                                                              << "00999 second\n"
                                                              << "00555\n";
    const struct {
        const char* code;
        std::vector<CString> boxes;
    } cases[] = {
        {"00123", {"Card not personalized\n"}},
        {"00999", {"X\n"}},              // the first matching line wins
        {"00777", {CString(248, 'y')}},  // a line is read in pieces of 254 characters
        {"00555", {""}},                 // nothing after the code
        {"12340", {}},
        {"0012", {}},  // a code shorter than five characters
    };
    for (const auto& c : cases) {
        CRecordingOperator ui;
        ShowDllErrorMessage(ui, folder.string(), "APP", c.code);
        EXPECT_EQ(ui.boxes, c.boxes) << c.code;
    }
    CRecordingOperator ui;
    ShowDllErrorMessage(ui, folder.string(), "OTHER", "00123");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ErrorFilePath(folder.string() + "/", "APP"), (folder / "APP_ERROR.msg").string());
    std::filesystem::remove_all(folder);
}

// The C API: arrays that cannot be read give 87 and leave the outputs alone; missing pointers are
// refused before anything runs.
TEST(CApi, RefusesWhatItCannotRead) {
    const std::filesystem::path folder = test::MakeTempFolder();
    test::CScopedEnvironment registry("TESSALY_REGISTRY", (folder / "registry.db").string());
    WriteRegistryString("HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath", folder.string(),
                        false);
    WriteRegistryDWord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorPort", 1);
    QuorlinDriver* driver = QuorlinCreate();
    ASSERT_NE(driver, nullptr);
    std::int32_t status = 77;
    std::uint8_t* audit = nullptr;
    std::size_t auditLength = 5;
    EXPECT_EQ(QuorlinProcessCard(driver, "APP", nullptr, 3, &audit, &auditLength, &status),
              QUORLIN_BAD_ARRAY);
    EXPECT_EQ(status, 77);
    EXPECT_EQ(audit, nullptr);
    EXPECT_EQ(auditLength, 5U);
    EXPECT_EQ(QuorlinInitialize(driver, "APP", nullptr, 2, &status), QUORLIN_BAD_ARRAY);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(QuorlinProcessCard(driver, "APP", nullptr, 0, &audit, nullptr, &status), QUORLIN_E_POINTER);
    EXPECT_EQ(QuorlinTerminateJob(driver, nullptr, nullptr), QUORLIN_E_POINTER);
    EXPECT_EQ(QuorlinRequestDeviceName(nullptr, nullptr, &status), QUORLIN_E_POINTER);
    char* name = nullptr;
    status = 77;
    // A NULL text is the empty text; nothing listens on port 1.
    EXPECT_EQ(QuorlinSetDeviceName(driver, nullptr, &name, &status), QUORLIN_OK);
    EXPECT_EQ(status, -1000);
    EXPECT_EQ(name, nullptr);
    QuorlinDestroy(driver);
    QuorlinDestroy(nullptr);

    std::vector<std::string> errors;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.find("\tE\t") != std::string::npos) {
                errors.push_back(line.substr(line.rfind('\t') + 1));
            }
        }
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"Bad Application Data array passed to ProcessCard",
                                                "Bad FIR Data array passed to Initialize",
                                                "Connection to Rudari Zovuravirero at 127.0.0.1:1 failed"}));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tessaly
