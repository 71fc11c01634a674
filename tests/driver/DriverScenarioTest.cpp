// The driver end to end: quorlin-host (the driver through its C API, in a process of its own) against
// objcomm host (in this process) and the virtual card lab. Each scenario is a data file under
// tests/data/driver: the host script, with the setup and the expectations on its "#@" lines.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "common/TextEncoding.h"
#include "common/registry/Registry.h"
#include "lab/ContactlessReaderModel.h"
#include "lab/IsoCard.h"
#include "platform/Socket.h"
#include "tests/driver/Scenario.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/LabGTest.h"
#include "tests/tools/ChildProcess.h"
#include "tools/objcomm/host/HostCommand.h"

namespace tessaly::lab {
namespace {

using test::Scenario;
using test::ScenarioCheck;
using Json = nlohmann::json;

constexpr const char* kSettingsKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra";
constexpr const char* kLogPath = "HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath";
const char* const kNumbers[] = {"ObjectCommunicatorPort", "RegisterByName", "SuppressDialogs"};
constexpr std::chrono::milliseconds kHostWait{20000};

struct LabCards {
    std::shared_ptr<CIsoCard> contact = MakeContactCard(Transport::T0);
    std::shared_ptr<CIsoCard> mute = MakeContactCard(Transport::T0);
    std::shared_ptr<CContactlessReaderModel> iso = CContactlessReaderModel::WithIsoCard();
    std::shared_ptr<CContactlessReaderModel> mifare =
        CContactlessReaderModel::WithMifare(MifareSize::Classic1K);
    std::shared_ptr<CIsoCard> key = MakeContactCard(Transport::T1);
    std::filesystem::path folder = test::MakeTempFolder();

    ~LabCards() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::map<std::string, std::shared_ptr<CVirtualCard>> All() const {
        return {{"contact", contact}, {"mute", mute},     {"iso", iso->IsoCard()},
                {"iso-reader", iso},  {"mifare", mifare}, {"key", key}};
    }
};

LabCards& Cards() {
    static LabCards cards;
    return cards;
}

std::string ReaderOf(const std::string& alias) {
    CLab& lab = *CLabEnvironment::Lab();
    const std::map<std::string, std::string> readers = {
        {"contact", lab.ReaderName(0, 0)}, {"mute", lab.ReaderName(0, 1)}, {"iso", lab.ReaderName(1, 0)},
        {"mifare", lab.ReaderName(1, 1)},  {"key", lab.ReaderName(2, 0)},  {"empty", lab.ReaderName(2, 1)},
        {"missing", "Lab Missing 00 00"}};
    const auto found = readers.find(alias);
    return found != readers.end() ? found->second : "{" + alias + "}";
}

// {alias} of a reader, or {folder}, replaced in a setting's value.
std::string Resolve(std::string value, const std::filesystem::path& folder) {
    for (std::size_t open = value.find('{'); open != std::string::npos; open = value.find('{', open + 1)) {
        const std::size_t close = value.find('}', open);
        const std::string alias = value.substr(open + 1, close - open - 1);
        const std::string text = alias == "folder" ? folder.string() : ReaderOf(alias);
        value.replace(open, close - open + 1, text);
    }
    return value;
}

std::string Text(const Json& value) {
    return value.is_null() ? "null" : value.is_string() ? value.get<std::string>() : value.dump();
}

struct LogRecord {
    std::string kind;
    std::string message;
};

// The one log file of the run (named after the time of its first record) and its records: the
// time stamp, the kind, module, revision, source, line and the message.
std::vector<LogRecord> ReadLog(const std::filesystem::path& folder) {
    static const std::regex kName(R"(Quorlin_\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d\.log)");
    static const std::regex kStamp(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    std::vector<LogRecord> records;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("Quorlin", 0) != 0) {
            continue;
        }
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(), kName)) << entry.path();
        EXPECT_EQ(++files, 1) << "more than one log file";
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> fields;
            std::istringstream split(line);
            for (std::string field; std::getline(split, field, '\t');) {
                fields.push_back(field);
            }
            EXPECT_EQ(fields.size(), 7U) << line;
            if (fields.size() == 7) {
                EXPECT_EQ(fields[2] + "|" + fields[3] + "|" + fields[4],
                          "Quorlin|$Revision: 31 $|Halcyra.cpp");
                records.push_back({fields[1], fields[6]});
            }
        }
    }
    return records;
}

CByteArray Hex(const std::string& text) {
    CByteArray bytes;
    EXPECT_TRUE(ParseHex(text, bytes)) << text;
    return bytes;
}

// What one run produced.
struct Outcome {
    std::vector<Json> reports;
    std::vector<std::string> boxes;
    std::vector<std::string> dialogs;
    std::vector<LogRecord> log;
};

class CDriverScenarioTest : public ::testing::TestWithParam<std::filesystem::path> {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        m_scenario = test::ReadScenario(GetParam());
        m_folder = Cards().folder / m_scenario.name;
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        DeleteRegistryKey(kSettingsKey);
        WriteRegistryString(kLogPath, m_folder.string(), false);
        for (const auto& [name, value] : m_scenario.settings) {
            const std::string path = std::string(kSettingsKey) + "\\" + name;
            if (std::find(std::begin(kNumbers), std::end(kNumbers), name) != std::end(kNumbers)) {
                WriteRegistryDWord(path, static_cast<std::uint32_t>(std::stoul(value)));
            } else {
                WriteRegistryString(path, Resolve(value, m_folder), false);
            }
        }
        for (const auto& [name, text] : m_scenario.files) {
            std::ofstream(m_folder / name, std::ios::binary) << text;
        }
        for (const auto& [alias, card] : Cards().All()) {
            card->ClearAnswers();
            card->ClearRecord();
        }
        for (const std::vector<std::string>& answer : m_scenario.answers) {
            Cards().All().at(answer[0])->AnswerPrefix(Hex(answer[1]), Hex(answer[2]));
        }
    }

    // Runs the call against the host the scenario asks for.
    Outcome Run() {
        CHostThread host;
        platform::CSocket listener = platform::CSocket::CreateTcp();
        std::uint16_t port = 0;
        if (m_scenario.host.empty()) {
            port = host.Start(m_scenario);
        } else {
            // Bound for the whole run, so that no other program takes the port: listened on, or
            // (closed) not, which refuses every connection.
            EXPECT_TRUE(listener.Bind("127.0.0.1", 0));
            port = listener.LocalPort();
            if (m_scenario.host == "unused") {
                EXPECT_TRUE(listener.Listen(4));
            }
        }
        WriteRegistryDWord(std::string(kSettingsKey) + "\\ObjectCommunicatorPort", port);
        std::vector<std::string> args = {"--json", "--operator", m_scenario.operatorAnswers};
        args.insert(args.end(), m_scenario.call.begin(), m_scenario.call.end());
        const test::ToolResult tool = test::RunTool(TESSALY_QUORLIN_HOST, args, m_folder);
        EXPECT_NE(tool.exit, -1) << tool.errors;
        if (m_scenario.host.empty()) {
            const int exit = host.Finish();
            EXPECT_EQ(exit != 0, m_scenario.hostFails) << host.Output();
        } else if (m_scenario.host == "unused") {
            EXPECT_EQ(listener.WaitReadable(std::chrono::milliseconds(0)),
                      platform::CSocket::WaitResult::TimedOut)
                << "the driver connected to the host";
        }
        Outcome outcome;
        std::istringstream lines(tool.output);
        for (std::string line; std::getline(lines, line);) {
            const Json report = Json::parse(line, nullptr, false);
            EXPECT_TRUE(report.is_object()) << line;
            for (const Json& box : report.value("message_boxes", Json::array())) {
                outcome.boxes.push_back(box.get<std::string>());
            }
            for (const Json& dialog : report.value("dialogs", Json::array())) {
                outcome.dialogs.push_back(dialog.get<std::string>());
            }
            outcome.reports.push_back(report);
        }
        outcome.log = ReadLog(m_folder);
        return outcome;
    }

    void Check(const Outcome& outcome) const {
        std::vector<std::string> boxes;
        std::vector<std::string> dialogs;
        std::map<std::string, std::vector<std::string>> values;
        std::size_t logAt = 0;
        for (const ScenarioCheck& check : m_scenario.checks) {
            const std::string& key = check.key;
            if (key == "box" || key == "dialog") {
                (key == "box" ? boxes : dialogs).push_back(check.values[0]);
            } else if (key == "log") {
                logAt = CheckLog(outcome.log, logAt, check.values[0], check.values[1]);
            } else if (key == "nolog") {
                for (const LogRecord& record : outcome.log) {
                    EXPECT_EQ(record.message.find(check.values[0]), std::string::npos) << record.message;
                }
            } else if (key == "registry") {
                CheckRegistry(check.values[0], check.values[1]);
            } else if (key == "card") {
                CheckCommands(check.values);
            } else if (key == "events") {
                CheckEvents(check.values);
            } else {
                values[key] = check.values;
            }
        }
        EXPECT_EQ(outcome.boxes, boxes);
        EXPECT_EQ(outcome.dialogs, dialogs);
        for (const auto& [key, expected] : values) {
            std::vector<std::string> actual;
            for (const Json& report : outcome.reports) {
                if (report.contains(key)) {
                    actual.push_back(Text(report[key]));
                }
            }
            EXPECT_EQ(actual, expected) << key;
        }
    }

    Scenario m_scenario;
    std::filesystem::path m_folder;

private:
    // objcomm host on a thread of this process.
    class CHostThread {
    public:
        std::uint16_t Start(const Scenario& scenario) {
            m_run.options.idle = kHostWait;
            m_run.options.settings = tools::HostSettings(kHostWait);
            std::promise<std::uint16_t> listening;
            std::future<std::uint16_t> port = listening.get_future();
            m_run.onListening = [&listening](std::uint16_t value) { listening.set_value(value); };
            m_thread = std::thread([this, &scenario] {
                m_exit = tools::RunHostScript(m_run, &scenario.script, scenario.name, m_out, m_err);
            });
            if (port.wait_for(kHostWait) != std::future_status::ready) {
                ADD_FAILURE() << "objcomm host did not listen";
                return 0;
            }
            return port.get();
        }
        int Finish() {
            if (m_thread.joinable()) {
                m_thread.join();
            }
            return m_exit;
        }
        std::string Output() const { return m_out.str() + m_err.str(); }
        ~CHostThread() { Finish(); }

    private:
        tools::HostRun m_run;
        std::thread m_thread;
        std::ostringstream m_out;
        std::ostringstream m_err;
        int m_exit = -1;
    };

    static std::size_t CheckLog(const std::vector<LogRecord>& log, std::size_t from, const std::string& kind,
                                const std::string& message) {
        for (std::size_t i = from; i < log.size(); ++i) {
            const bool prefix = !message.empty() && message.back() == '*';
            const bool matches = prefix ? log[i].message.rfind(message.substr(0, message.size() - 1), 0) == 0
                                        : log[i].message == message;
            if (log[i].kind == kind && matches) {
                return i + 1;
            }
        }
        std::string seen;
        for (const LogRecord& record : log) {
            seen += "\n  " + record.kind + " " + record.message;
        }
        ADD_FAILURE() << "no log record " << kind << " \"" << message << "\" after record " << from << ":"
                      << seen;
        return from;
    }

    static void CheckRegistry(const std::string& name, const std::string& expected) {
        const std::string path = std::string(kSettingsKey) + "\\" + name;
        if (expected.rfind("dword:", 0) == 0) {
            EXPECT_EQ(ReadRegistryDWord(path), std::stoul(expected.substr(6))) << name;
        } else {
            EXPECT_EQ(ReadRegistryString(path), expected == "\"\"" ? "" : expected) << name;
        }
    }

    static void CheckCommands(const std::vector<std::string>& values) {
        std::vector<std::string> actual;
        for (const CByteArray& command : Cards().All().at(values[0])->Commands()) {
            actual.push_back(HexString(command));
        }
        std::vector<std::string> expected(values.begin() + 1, values.end());
        if (expected == std::vector<std::string>{"none"}) {
            expected.clear();
        }
        EXPECT_EQ(actual, expected) << values[0];
    }

    static void CheckEvents(const std::vector<std::string>& values) {
        const std::map<CardEvent::Kind, std::string> names = {{CardEvent::Kind::PowerOff, "off"},
                                                              {CardEvent::Kind::PowerOn, "on"},
                                                              {CardEvent::Kind::Reset, "reset"}};
        std::vector<std::string> actual;
        for (const CardEvent& event : Cards().All().at(values[0])->Events()) {
            if (names.count(event.kind) != 0) {
                actual.push_back(names.at(event.kind));
            }
        }
        EXPECT_EQ(actual, std::vector<std::string>(values.begin() + 1, values.end())) << values[0];
    }
};

TEST_P(CDriverScenarioTest, Runs) {
    ASSERT_FALSE(m_scenario.call.empty()) << "no #@ call line";
    Check(Run());
}

std::string ScenarioName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name = info.param.stem().string();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; },
        '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Driver, CDriverScenarioTest,
                         ::testing::ValuesIn(test::ScenarioFiles(TESSALY_DRIVER_DATA)), ScenarioName);

}  // namespace

std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    setenv("TESSALY_REGISTRY", (Cards().folder / "registry.db").c_str(), 1);
    return std::make_unique<CLabEnvironment>(
        std::vector<std::string>{"Lab Contact", "Lab Contactless", "Lab Key"}, [](CLab& lab) {
            Cards().mute->SetAtr({0x3B, 0x80, 0x0E, 0x8E});
            lab.InsertAll({{lab.ReaderName(0, 0), Cards().contact},
                           {lab.ReaderName(0, 1), Cards().mute},
                           {lab.ReaderName(1, 0), Cards().iso},
                           {lab.ReaderName(1, 1), Cards().mifare},
                           {lab.ReaderName(2, 0), Cards().key}});
        });
}

}  // namespace tessaly::lab
