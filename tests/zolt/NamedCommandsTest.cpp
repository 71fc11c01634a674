// Commands written by name (data/named-commands.txt): the exact body of each, which its class reads
// back and writes again the same; and the class tables against the classes themselves.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/CommandClasses.h"
#include "tools/objcomm/script/NamedCommands.h"
#include "tools/objcomm/script/ScriptLines.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly {
namespace {

std::vector<tools::NamedField> Fields(const std::string& text) {
    std::vector<tools::ScriptToken> words;
    std::string error;
    EXPECT_TRUE(tools::TokenizeLine(text, words, error)) << error;
    std::vector<tools::NamedField> fields;
    EXPECT_TRUE(tools::CollectFields(words, fields, error)) << error;
    return fields;
}

// Frames the body with the class's codes and parses it as a station does.
std::unique_ptr<CObjCommResponse> Frame(const tools::CommandClass& entry, const CByteArray& body,
                                        std::uint16_t transaction, bool extended) {
    tools::FramedCommand framed;
    framed.className = entry.name;
    framed.command = entry.command;
    framed.subCommand = entry.subCommand;
    framed.transaction = transaction;
    framed.address = "[KEY]";
    framed.body = body;
    CByteArray packet;
    std::string error;
    EXPECT_TRUE(tools::BuildFramedPacket(framed, packet, error)) << error;
    try {
        return test::Parse(packet, extended);
    } catch (const CPassThruFormatError& rejected) {
        ADD_FAILURE() << rejected.Name();
        return nullptr;
    }
}

std::vector<std::string> Columns(const std::string& line, char separator) {
    std::vector<std::string> columns;
    std::istringstream in(line);
    for (std::string column; std::getline(in, column, separator);) {
        const std::size_t first = column.find_first_not_of(' ');
        columns.push_back(
            first == std::string::npos ? "" : column.substr(first, column.find_last_not_of(' ') - first + 1));
    }
    return columns;
}

TEST(NamedCommands, EachBuildsTheBodyItsClassReadsBack) {
    std::ifstream file(TESSALY_ZOLT_DATA "/named-commands.txt");
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SCOPED_TRACE(line);
        std::vector<std::string> c = Columns(line, '|');
        ASSERT_GE(c.size(), 4U);
        c.resize(6);
        const bool bulk = c[0] == "bulk";
        std::vector<std::vector<tools::NamedField>> items;
        for (const std::string& item : bulk ? Columns(c[1], ';') : std::vector<std::string>()) {
            items.push_back(Fields(item));
        }
        tools::NamedBody named;
        std::string error;
        const bool extended = c[2] == "extended";
        ASSERT_TRUE(tools::BuildNamedBody(c[0], bulk ? std::vector<tools::NamedField>() : Fields(c[1]), items,
                                          extended, named, error))
            << error;
        ASSERT_NE(named.commandClass, nullptr);
        EXPECT_EQ(named.commandClass->name, c[3]);
        EXPECT_EQ(test::ToHex(named.body), test::ToHex(test::Hex(c[4])));
        const auto parsed = Frame(*named.commandClass, named.body, named.transaction.value_or(1), extended);
        ASSERT_NE(parsed, nullptr);
        EXPECT_EQ(parsed->ClassName(), c[3]);
        if (c[5] != "fixed") {
            EXPECT_EQ(test::ToHex(parsed->GetBody()), test::ToHex(named.body));
        }
        ++cases;
    }
    EXPECT_EQ(cases, 34);
}

TEST(NamedCommands, FinishTravelsWithTransactionZero) {
    tools::NamedBody named;
    std::string error;
    ASSERT_TRUE(tools::BuildNamedBody("finish", {}, {}, true, named, error));
    EXPECT_EQ(named.transaction, std::optional<std::uint16_t>(0));
    ASSERT_TRUE(tools::BuildNamedBody("complete", {}, {}, true, named, error));
    EXPECT_FALSE(named.transaction.has_value());
}

// Bodies for the classes that a run of zeros does not satisfy; the others read zeros.
const std::map<std::string, std::string> kBodies = {
    {"CRspProcess", "80 00 35 0000 0000"},
    {"CRspKeyRequest", ""},
    {"CRspKeyStore", ""},
    {"CRspObjectRequest", "11 00 00 00 00 00 00 00 00"},
    {"CRspObjectDataLoading", ""},
    {"CRspRegisterDevice", ""},
    {"CRspSetDeviceName", ""},
};

TEST(CommandClasses, EveryIncomingNameFramesItsOwnClass) {
    std::set<std::string> names;
    for (const tools::CommandClass& entry : tools::IncomingClasses()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(names.insert(entry.name).second) << "listed twice";
        const auto body = kBodies.find(entry.name);
        const auto parsed =
            Frame(entry, test::Hex(body != kBodies.end() ? body->second : std::string(std::size_t{192}, '0')),
                  std::string(entry.name) == "CRspPassThroughModeFinish" ? 0 : 1, true);
        ASSERT_NE(parsed, nullptr);
        EXPECT_STREQ(parsed->ClassName(), entry.name);
    }
}

TEST(CommandClasses, LookupIsByExactName) {
    EXPECT_NE(tools::FindIncomingClass("CRspKeepAlive"), nullptr);
    EXPECT_EQ(tools::FindIncomingClass("crspkeepalive"), nullptr);
    EXPECT_EQ(tools::FindIncomingClass("CMsgKeepAlive"), nullptr);
    EXPECT_NE(tools::FindOutgoingClass("CMsgKeepAlive"), nullptr);
    EXPECT_EQ(tools::FindOutgoingClass("CRspKeepAlive"), nullptr);
}

}  // namespace
}  // namespace tessaly
