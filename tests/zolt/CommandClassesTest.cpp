// The class tables of scripts against the classes themselves: the codes a name frames make that class,
// and every message a station sends has its name in the table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tests/support/TestPackets.h"
#include "tests/support/Vectors.h"
#include "tools/objcomm/script/CommandClasses.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly {
namespace {

// Bodies for the classes that a run of zeros does not satisfy; the others read zeros.
std::string BodyFor(const std::string& name) {
    static const std::map<std::string, std::string> kBodies = {
        {"CRspProcess", "80 00 35 0000 0000"},
        {"CRspKeyRequest", ""},
        {"CRspKeyStore", ""},
        {"CRspObjectRequest", "11 00 00 00 00 00 00 00 00"},
        {"CRspObjectDataLoading", ""},
        {"CRspRegisterDevice", ""},
        {"CRspSetDeviceName", ""},
    };
    const auto found = kBodies.find(name);
    return found != kBodies.end() ? found->second : std::string(std::size_t{192}, '0');
}

TEST(CommandClasses, EveryIncomingNameFramesItsOwnClass) {
    std::set<std::string> names;
    for (const tools::CommandClass& entry : tools::IncomingClasses()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(names.insert(entry.name).second) << "listed twice";
        tools::FramedCommand framed;
        framed.className = entry.name;
        framed.command = entry.command;
        framed.subCommand = entry.subCommand;
        framed.transaction = std::string(entry.name) == "CRspPassThroughModeFinish" ? 0 : 1;
        framed.address = "[KEY]";
        framed.body = test::Hex(BodyFor(entry.name));
        CByteArray packet;
        std::string error;
        ASSERT_TRUE(tools::BuildFramedPacket(framed, packet, error)) << error;
        std::unique_ptr<CObjCommResponse> parsed;
        try {
            parsed = test::Parse(packet, true);
        } catch (const CPassThruFormatError& rejected) {
            FAIL() << rejected.Name();
        }
        ASSERT_NE(parsed, nullptr);
        EXPECT_STREQ(parsed->ClassName(), entry.name);
    }
}

TEST(CommandClasses, EveryOutgoingMessageIsListedWithItsCodes) {
    std::set<std::string> seen;
    for (const test::Vector& v : test::LoadVectors("outgoing.vec")) {
        if (v.IsRejection()) {
            continue;
        }
        CInBinaryString packet(v.Packet());
        std::uint32_t transaction = 0;
        const std::unique_ptr<CObjCommMessage> message =
            CreateMessageFromPacket(packet, transaction, v.Extended().front());
        const tools::CommandClass* entry = tools::FindOutgoingClass(message->ClassName());
        ASSERT_NE(entry, nullptr) << message->ClassName();
        EXPECT_EQ(entry->command, message->GetCommand()) << message->ClassName();
        EXPECT_EQ(entry->subCommand, message->GetSubCommand()) << message->ClassName();
        seen.insert(message->ClassName());
    }
    for (const tools::CommandClass& entry : tools::OutgoingClasses()) {
        EXPECT_EQ(seen.count(entry.name), 1U) << entry.name << " has no message case";
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
