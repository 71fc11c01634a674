// The .reg text format: hand-written files, regedit's UTF-16 files, and the errors for bad input.
#include <gtest/gtest.h>

#include "tools/tessaly-reg/RegFile.h"

namespace tessaly::tools {
namespace {

using Kind = RegFileEntry::Kind;
using platform::RegistryRoot;
using platform::RegistryValue;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}
std::vector<std::uint8_t> Text(const std::string& text) {
    std::vector<std::uint8_t> bytes = Bytes(text);
    bytes.push_back(0);
    return bytes;
}

std::string Utf16File(const std::string& text) {
    std::string out = "\xFF\xFE";
    for (char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

struct ExpectedEntry {
    Kind kind;
    int line;
    RegistryRoot root;
    std::string path;
    std::string name;
    RegistryValue value;
};

void ExpectEntries(const std::vector<RegFileEntry>& entries, const std::vector<ExpectedEntry>& expected) {
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].kind, expected[i].kind);
        EXPECT_EQ(entries[i].line, expected[i].line);
        EXPECT_EQ(entries[i].root, expected[i].root);
        EXPECT_EQ(entries[i].path, expected[i].path);
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].value, expected[i].value);
    }
}

const char kHandWritten[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; the driver's settings\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra]\r\n"
    "\"ObjectCommunicatorIp\"=\"10.0.0.1\"\r\n"
    "\"ObjectCommunicatorPort\"=dword:000005dc\r\n"
    "\"InstallPath\"=\"C:\\\\Tessaly\\\\\"\r\n"
    "\"Say \\\"hi\\\"\"=\"a \\\"quoted\\\" word\"\r\n"
    "@=\"default\"\r\n"
    "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,\\\r\n"
    "  5c,00,78,00,00,00\r\n"
    "\"Bin\"=hex:01,02,FF\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Small\" = dword:5\r\n"
    "\"Gone\"=-\r\n"
    "\r\n"
    "[-HKEY_CURRENT_USER\\Software\\Tessaly\\Old]\r\n"
    "[hkey_current_user\\Software\\Tessaly\\Log File Viewer\\]\r\n"
    "\"LogPath\"=\"\"\r\n";

const std::vector<ExpectedEntry> kHandWrittenEntries = {
    {Kind::CreateKey, 4, RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra", "", {}},
    {Kind::SetValue,
     5,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "ObjectCommunicatorIp",
     {platform::kRegSz, Text("10.0.0.1")}},
    {Kind::SetValue,
     6,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "ObjectCommunicatorPort",
     {platform::kRegDword, {0xDC, 0x05, 0, 0}}},
    {Kind::SetValue,
     7,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "InstallPath",
     {platform::kRegSz, Text("C:\\Tessaly\\")}},
    {Kind::SetValue,
     8,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Say \"hi\"",
     {platform::kRegSz, Text("a \"quoted\" word")}},
    {Kind::SetValue,
     9,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "",
     {platform::kRegSz, Text("default")}},
    {Kind::SetValue,
     10,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Path",
     {platform::kRegExpandSz, Text("%TEMP%\\x")}},
    {Kind::SetValue,
     12,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Bin",
     {platform::kRegBinary, {0x01, 0x02, 0xFF}}},
    {Kind::SetValue,
     13,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Multi",
     {platform::kRegMultiSz, {'a', 0, 'b', 0, 0}}},
    {Kind::SetValue,
     14,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Quad",
     {0x0B, {1, 0, 0, 0, 0, 0, 0, 0}}},
    {Kind::SetValue,
     15,
     RegistryRoot::LocalMachine,
     "SOFTWARE\\Tessaly\\Halcyra",
     "Small",
     {platform::kRegDword, {5, 0, 0, 0}}},
    {Kind::DeleteValue, 16, RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra", "Gone", {}},
    {Kind::DeleteKey, 18, RegistryRoot::CurrentUser, "Software\\Tessaly\\Old", "", {}},
    {Kind::CreateKey, 19, RegistryRoot::CurrentUser, "Software\\Tessaly\\Log File Viewer", "", {}},
    {Kind::SetValue,
     20,
     RegistryRoot::CurrentUser,
     "Software\\Tessaly\\Log File Viewer",
     "LogPath",
     {platform::kRegSz, Text("")}},
};

TEST(RegFile, ParsesAHandWrittenFile) {
    std::vector<RegFileEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseRegFile(kHandWritten, entries, error)) << error;
    ExpectEntries(entries, kHandWrittenEntries);
}

TEST(RegFile, ReadsRegeditsUtf16AndUtf8WithByteOrderMarks) {
    std::vector<RegFileEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseRegFile(Utf16File(kHandWritten), entries, error)) << error;
    ExpectEntries(entries, kHandWrittenEntries);

    // LF line ends, a Latin-1 letter written as UTF-8, and a comment with a character outside Latin-1.
    const std::string utf8 =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
        "; \xE2\x82\xAC is not a value\n"
        "[HKEY_CURRENT_USER\\Caf\xC3\xA9]\n"
        "\"Name\"=\"\xC3\xA9t\xC3\xA9\"\n";
    ASSERT_TRUE(ParseRegFile(utf8, entries, error)) << error;
    ExpectEntries(entries, {{Kind::CreateKey, 4, RegistryRoot::CurrentUser, "Caf\xE9", "", {}},
                            {Kind::SetValue,
                             5,
                             RegistryRoot::CurrentUser,
                             "Caf\xE9",
                             "Name",
                             {platform::kRegSz, Text("\xE9t\xE9")}}});

    // Without a byte order mark every byte is one character.
    ASSERT_TRUE(ParseRegFile("Windows Registry Editor Version 5.00\n[HKEY_USERS\\K]\n\"N\"=\"\xE9\"\n",
                             entries, error))
        << error;
    ExpectEntries(entries,
                  {{Kind::CreateKey, 2, RegistryRoot::Users, "K", "", {}},
                   {Kind::SetValue, 3, RegistryRoot::Users, "K", "N", {platform::kRegSz, Text("\xE9")}}});
}

struct BadFile {
    std::string text;
    std::string error;
};

TEST(RegFile, BadInputGivesTheLineAndTheReason) {
    const std::string h = "Windows Registry Editor Version 5.00\n\n";
    const std::string k = "[HKEY_CURRENT_USER\\K]\n";
    const BadFile cases[] = {
        {"", "line 1: the file must start with \"Windows Registry Editor Version 5.00\""},
        {"\n\nREGEDIT4\n", "line 3: the file must start with \"Windows Registry Editor Version 5.00\""},
        {h + "\"V\"=\"x\"\n", "line 3: a value needs a [key] line before it"},
        {h + "[HKLM\\SOFTWARE]\n", "line 3: unknown root key \"HKLM\""},
        {h + "[HKEY_CURRENT_USER\\K\n", "line 3: a key line must end with ']'"},
        {h + "[HKEY_CURRENT_USER\\A\\\\B]\n", "line 3: empty key name in \"HKEY_CURRENT_USER\\A\\\\B\""},
        {h + "[-HKEY_LOCAL_MACHINE]\n", "line 3: a root key cannot be deleted"},
        {h + "[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\n",
         "line 3: a key name is longer than 255 characters"},
        {h + k + "\"Path\"=\"C:\\Temp\"\n", "line 4: unknown escape \"\\T\" (write a backslash as \\\\)"},
        {h + k + "\"Path\"=\"open\n", "line 4: missing closing quote"},
        {h + k + "\"Open=\"x\"\n", "line 4: expected '=' after the value name"},
        {h + k + "\"Open\n", "line 4: value name: missing closing quote"},
        {h + k + "\"V\"\"x\"\n", "line 4: expected '=' after the value name"},
        {h + k + "\"V\"=\"x\" y\n", "line 4: unexpected text after the closing quote"},
        {h + k + "\"V\"=dword:xyz\n", "line 4: dword: needs 1 to 8 hexadecimal digits"},
        {h + k + "\"V\"=dword:123456789\n", "line 4: dword: needs 1 to 8 hexadecimal digits"},
        {h + k + "\"V\"=dword:\n", "line 4: dword: needs 1 to 8 hexadecimal digits"},
        {h + k + "\"V\"=hex:01,zz\n",
         "line 4: hex data must be bytes of two hexadecimal digits separated by commas"},
        {h + k + "\"V\"=hex:01,,02\n",
         "line 4: hex data must be bytes of two hexadecimal digits separated by commas"},
        {h + k + "\"V\"=hex:123\n",
         "line 4: hex data must be bytes of two hexadecimal digits separated by commas"},
        {h + k + "\"V\"=hex(q):00\n", "line 4: hex(N): needs a type of 1 to 8 hexadecimal digits"},
        {h + k + "\"V\"=hex(2):41,00,42\n", "line 4: hex(2): text must be UTF-16LE characters up to U+00FF"},
        {h + k + "\"V\"=hex(2):00,01,00,00\n",
         "line 4: hex(2): text must be UTF-16LE characters up to U+00FF"},
        {h + k + "\"V\"=hex:01,\\\n", "line 4: the hex data continues past the end of the file"},
        {h + k + "\"V\"=str:x\n", "line 4: a value must be \"text\", dword:, hex:, hex(N): or -"},
        {h + k + "\"V\"=\n", "line 4: a value must be \"text\", dword:, hex:, hex(N): or -"},
        {h + "[-HKEY_CURRENT_USER\\K]\n\"V\"=\"x\"\n", "line 4: values cannot follow a key deletion [-...]"},
        {h + k + "V=1\n", "line 4: expected a [key] line or a value line"},
        {std::string("\xFE\xFF\x00W", 4),
         "UTF-16 big-endian files are not supported; save the file as UTF-16LE or UTF-8"},
        {std::string("\xFF\xFEW\x00\x00", 5), "the file is UTF-16 but has an odd number of bytes"},
        {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\xC3(\n", "line 2: the file is not valid UTF-8"},
        {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + k + "\"V\"=\"\xE2\x82\xAC\"\n",
         "line 3: the character U+20AC does not fit a single-byte text"},
    };
    for (const BadFile& c : cases) {
        std::vector<RegFileEntry> entries(1);
        std::string error;
        EXPECT_FALSE(ParseRegFile(c.text, entries, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_TRUE(entries.empty());
    }
}

struct Written {
    RegistryValue value;
    std::string data;
};

TEST(RegFile, WritesEachTypeAsRegeditDoes) {
    const Written cases[] = {
        {{platform::kRegSz, Text("C:\\Tessaly \"x\"")}, "\"C:\\\\Tessaly \\\"x\\\"\""},
        {{platform::kRegSz, Text("")}, "\"\""},
        {{platform::kRegDword, {0xDC, 0x05, 0, 0}}, "dword:000005dc"},
        {{platform::kRegDword, {0x40, 0x9C, 0xFF, 0xFF}}, "dword:ffff9c40"},
        {{platform::kRegExpandSz, Text("%A%")}, "hex(2):25,00,41,00,25,00,00,00"},
        {{platform::kRegBinary, {0x00, 0xAB}}, "hex:00,ab"},
        {{platform::kRegBinary, {}}, "hex:"},
        {{platform::kRegMultiSz, {'a', 0, 0}}, "hex(7):61,00,00,00,00,00"},
        {{0x0B, {1, 2, 3, 4, 5, 6, 7, 8}}, "hex(b):01,02,03,04,05,06,07,08"},
        {{platform::kRegNone, {}}, "hex(0):"},
        // Texts that a quoted string would not give back exactly.
        {{platform::kRegSz, Bytes("abc")}, "hex(1):61,00,62,00,63,00"},
        {{platform::kRegSz, {'a', '\n', 0}}, "hex(1):61,00,0a,00,00,00"},
        {{platform::kRegSz, {'a', 0, 'b', 0}}, "hex(1):61,00,00,00,62,00,00,00"},
        {{platform::kRegDword, {1, 0}}, "hex(4):01,00"},
    };
    for (const Written& c : cases) {
        EXPECT_EQ(RegValueData(c.value), c.data);
    }
    std::string line;
    std::string error;
    ASSERT_TRUE(RegValueLine({"Say \"hi\" \\", {platform::kRegDword, {1, 0, 0, 0}}}, line, error));
    EXPECT_EQ(line, "\"Say \\\"hi\\\" \\\\\"=dword:00000001");
    ASSERT_TRUE(RegValueLine({"", {platform::kRegSz, Text("d")}}, line, error));
    EXPECT_EQ(line, "@=\"d\"");
    EXPECT_FALSE(RegValueLine({"two\nlines", {platform::kRegSz, Text("d")}}, line, error));
    EXPECT_EQ(error, "the value name \"two\nlines\" holds a line break; a .reg file cannot carry it");
    EXPECT_EQ(RegKeyLine(RegistryRoot::CurrentConfig, ""), "[HKEY_CURRENT_CONFIG]");
    EXPECT_EQ(RegKeyLine(RegistryRoot::LocalMachine, "A\\B"), "[HKEY_LOCAL_MACHINE\\A\\B]");
}

TEST(RegFile, EveryWrittenValueReadsBackTheSame) {
    const std::vector<platform::NamedRegistryValue> values = {
        {"Text", {platform::kRegSz, Text("a \\ \" ; = [x] \xE9")}},
        {"", {platform::kRegSz, Text("")}},
        {"Bare", {platform::kRegSz, Bytes("no terminator")}},
        {"Expand", {platform::kRegExpandSz, Text("%PATH%")}},
        {"Number", {platform::kRegDword, {1, 2, 3, 4}}},
        {"Binary", {platform::kRegBinary, {0, 1, 0xFE, 0xFF}}},
        {"Multi", {platform::kRegMultiSz, {'x', 0, 'y', 0, 0}}},
        {"Odd type", {0x12345678, {9}}},
        {"Zero", {platform::kRegSz, {'a', 0, 'b', 0}}},
    };
    std::string file = std::string(kRegFileHeader) + "\n\n[HKEY_USERS\\K]\n";
    for (const platform::NamedRegistryValue& value : values) {
        std::string line;
        std::string error;
        ASSERT_TRUE(RegValueLine(value, line, error)) << error;
        file += line + "\n";
    }
    std::vector<RegFileEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseRegFile(file, entries, error)) << error;
    ASSERT_EQ(entries.size(), values.size() + 1);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(entries[i + 1].name, values[i].name);
        EXPECT_EQ(entries[i + 1].value, values[i].value) << values[i].name;
    }
}

}  // namespace
}  // namespace tessaly::tools
