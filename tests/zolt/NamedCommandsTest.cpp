// Commands written by name: the exact body of each, and the class reading it back to the fields given.
#include <gtest/gtest.h>

#include <functional>

#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/NamedCommands.h"
#include "tools/objcomm/script/ScriptLines.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using tools::NamedField;
using tools::ScriptToken;
using Check = std::function<void(const CObjCommResponse&)>;

std::vector<NamedField> Fields(const std::string& text) {
    std::vector<ScriptToken> words;
    std::string error;
    EXPECT_TRUE(tools::TokenizeLine(text, words, error)) << error;
    std::vector<NamedField> fields;
    EXPECT_TRUE(tools::CollectFields(words, fields, error)) << error;
    return fields;
}

// Frames the body with the class's codes, parses it as a station does and hands back the object.
std::unique_ptr<CObjCommResponse> ParseBack(const tools::NamedBody& named, bool extended) {
    tools::FramedCommand framed;
    framed.className = named.commandClass->name;
    framed.command = named.commandClass->command;
    framed.subCommand = named.commandClass->subCommand;
    framed.transaction = named.transaction.value_or(1);
    framed.address = "[KEY]";
    framed.body = named.body;
    CByteArray packet;
    std::string error;
    EXPECT_TRUE(tools::BuildFramedPacket(framed, packet, error)) << error;
    return test::Parse(packet, extended);
}

// Throws std::bad_cast, which fails the test, for another class.
template <class T>
const T& As(const CObjCommResponse& response) {
    return dynamic_cast<const T&>(response);
}

struct Case {
    const char* command;
    const char* fields;
    bool extended;
    const char* className;
    const char* body;
    Check check;
    bool reencodes = true;  // false where the class writes a fixed value back (resend's reserved byte)
};

void ExpectProcess(const CRspProcess& p, std::uint32_t destination, std::uint32_t timeOut,
                   std::uint32_t apduCase, std::uint16_t flags, const char* data) {
    EXPECT_EQ(p.GetDestination(), destination);
    EXPECT_EQ(p.GetTimeOut(), timeOut);
    EXPECT_EQ(p.GetApduCase(), apduCase);
    EXPECT_EQ(p.GetFlags(), flags);
    EXPECT_EQ(p.GetData(), Hex(data));
}

template <class T>
Check Value(std::uint32_t destination, std::uint32_t value) {
    return [=](const CObjCommResponse& r) {
        EXPECT_EQ(As<T>(r).GetDestination(), destination);
        EXPECT_EQ(As<T>(r).GetValue(), value);
    };
}

template <class T>
Check DestinationOnly(std::uint32_t destination) {
    return [=](const CObjCommResponse& r) { EXPECT_EQ(As<T>(r).GetDestination(), destination); };
}

Check Attribute(std::uint32_t destination, std::uint32_t attribute, std::uint32_t setFlag,
                std::uint32_t value) {
    return [=](const CObjCommResponse& r) {
        const auto& a = As<CRspReaderAttribute>(r);
        EXPECT_EQ(a.GetDestination(), destination);
        EXPECT_EQ(a.GetAttribute(), attribute);
        EXPECT_EQ(a.GetSetFlag(), setFlag);
        EXPECT_EQ(a.GetValue(), value);
    };
}

Check Simulation(std::uint32_t destination, std::uint32_t delay, std::uint32_t length, const char* data) {
    return [=](const CObjCommResponse& r) {
        const auto& s = As<CRspCardCommandSimulation>(r);
        EXPECT_EQ(s.GetDestination(), destination);
        EXPECT_EQ(s.GetDelayTime(), delay);
        EXPECT_EQ(s.GetRequestedLength(), length);
        EXPECT_EQ(s.GetSimulatedData(), Hex(data));
    };
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"process", "apdu=00A4040002 3F00 00", true, "CRspProcess", "58 00 34 0000 0008 00A4040002 3F00 00",
         [](const CObjCommResponse& r) {
             const auto& p = As<CRspProcess>(r);
             ExpectProcess(p, 0x58, 0, 0x34, 0, "00A4040002 3F00 00");
             EXPECT_TRUE(p.IsSplit());
             EXPECT_EQ(p.GetLcData(), Hex("3F00"));
         }},
        {"process", "dest=EX_KBX timeout=30 case=35 apdu=0102", false, "CRspProcess", "57 1E 35 0002 0102",
         [](const CObjCommResponse& r) { ExpectProcess(As<CRspProcess>(r), 0x57, 30, 0x35, 0, "0102"); }},
        {"process", "dest=43 flags=0004 timeout=0x10 apdu=00B0000010", true, "CRspProcess",
         "43 10 32 0004 0005 00B0000010",
         [](const CObjCommResponse& r) {
             ExpectProcess(As<CRspProcess>(r), 0x43, 16, 0x32, 4, "00B0000010");
         }},
        {"process", "apdu=00A40000", true, "CRspProcess", "58 00 31 0000 0004 00A40000",
         [](const CObjCommResponse& r) { ExpectProcess(As<CRspProcess>(r), 0x58, 0, 0x31, 0, "00A40000"); }},
        {"process", "apdu=00DA010203 AABBCC", false, "CRspProcess", "58 00 33 0008 00DA010203AABBCC",
         [](const CObjCommResponse& r) {
             ExpectProcess(As<CRspProcess>(r), 0x58, 0, 0x33, 0, "00DA010203AABBCC");
         }},
        {"reset", "", true, "CRspResetCard", "58 0004 00001388", Value<CRspResetCard>(0x58, 5000)},
        {"reset", "dest=57 voltage=3000", true, "CRspResetCard", "57 0004 00000BB8",
         Value<CRspResetCard>(0x57, 3000)},
        {"reset", "voltage=01", false, "CRspResetCard", "58 0001 01", Value<CRspResetCard>(0x58, 1)},
        {"voltage", "voltage=1800", true, "CRspSetVoltage", "58 0004 00000708",
         Value<CRspSetVoltage>(0x58, 1800)},
        {"frequency", "clock=4000", true, "CRspSetFrequency", "58 0004 00000FA0",
         Value<CRspSetFrequency>(0x58, 4000)},
        {"frequency", "clock=02", false, "CRspSetFrequency", "58 0001 02", Value<CRspSetFrequency>(0x58, 2)},
        {"warmreset", "dest=57", true, "CRspWarmReset", "57", DestinationOnly<CRspWarmReset>(0x57)},
        {"resetpps", "voltage=3000 clock=4915", true, "CRspResetCardWithPPS", "58 00000BB8 00001333",
         [](const CObjCommResponse& r) {
             const auto& c = As<CRspResetCardWithPPS>(r);
             EXPECT_EQ(c.GetDestination(), 0x58U);
             EXPECT_EQ(c.GetVoltage(), 3000U);
             EXPECT_EQ(c.GetFrequency(), 4915U);
         }},
        {"resetpps", "", false, "CRspResetCardWithPPS", "58 02 FF",
         [](const CObjCommResponse& r) {
             EXPECT_EQ(As<CRspResetCardWithPPS>(r).GetVoltage(), 2U);
             EXPECT_EQ(As<CRspResetCardWithPPS>(r).GetFrequency(), 0xFFU);
         }},
        {"warmresetpps", "", true, "CRspWarmResetWithPPS", "58 00000DFB",
         [](const CObjCommResponse& r) { EXPECT_EQ(As<CRspWarmResetWithPPS>(r).GetFrequency(), 3579U); }},
        {"warmresetpps", "dest=EX_KBX clock=FF", false, "CRspWarmResetWithPPS", "57 FF",
         [](const CObjCommResponse& r) {
             EXPECT_EQ(As<CRspWarmResetWithPPS>(r).GetDestination(), 0x57U);
             EXPECT_EQ(As<CRspWarmResetWithPPS>(r).GetFrequency(), 0xFFU);
         }},
        {"query", "", true, "CRspQueryCard", "58", DestinationOnly<CRspQueryCard>(0x58)},
        {"eject", "dest=kbx", true, "CRspEjectCard", "58", DestinationOnly<CRspEjectCard>(0x58)},
        {"keepalive", "", true, "CRspKeepAlive", "", [](const CObjCommResponse&) {}},
        {"resend", "error=91", true, "CRspResend", "00 91",
         [](const CObjCommResponse& r) {
             EXPECT_EQ(As<CRspResend>(r).GetReserved(), 0U);
             EXPECT_EQ(As<CRspResend>(r).GetErrorCode(), 0x91U);
         }},
        {"resend", "rc=7F error=0x02", false, "CRspResend", "7F 02",
         [](const CObjCommResponse& r) { EXPECT_EQ(As<CRspResend>(r).GetReserved(), 0x7FU); }, false},
        {"attribute", "attr=5", true, "CRspReaderAttribute", "58 05 00", Attribute(0x58, 5, 0, 0)},
        {"attribute", "attr=8 value=0x80", true, "CRspReaderAttribute", "58 08 01 00000080",
         Attribute(0x58, 8, 1, 0x80)},
        {"attribute", "dest=PICC attr=26 value=15 set=02", false, "CRspReaderAttribute", "43 1A 02 0000000F",
         Attribute(0x43, 26, 2, 15)},
        {"health", "", true, "CRspHealthCheck", "",
         [](const CObjCommResponse& r) { EXPECT_EQ(r.GetCommand(), 0x99U); }},
        {"simulate", "delay=200 length=4", true, "CRspCardCommandSimulation", "58 00 000000C8 0004 0000",
         Simulation(0x58, 200, 4, "")},
        {"simulate", "dest=43 length=2 data=AA BB", true, "CRspCardCommandSimulation",
         "43 00 00000000 0002 0002 AABB", Simulation(0x43, 0, 2, "AABB")},
        {"simulate", "length=4 data=01020304 delay=0x10", false, "CRspCardCommandSimulation",
         "00 00000010 0004 0004 01020304", Simulation(0, 16, 4, "01020304")},
        {"cardtype", "type=18", true, "CRspSetCardType", "18",
         [](const CObjCommResponse& r) { EXPECT_EQ(As<CRspSetCardType>(r).GetCardType(), 0x18U); }},
        {"finish", "", true, "CRspPassThroughModeFinish", "", [](const CObjCommResponse&) {}},
        {"complete", "accept=01 dllerror=E1234 audit=0102", true, "CRspPassThroughModeComplete",
         "01 4531323334 0002 0102",
         [](const CObjCommResponse& r) {
             const auto& c = As<CRspPassThroughModeComplete>(r);
             EXPECT_EQ(c.GetAcceptCode(), 1U);
             EXPECT_EQ(c.GetDllError(), "E1234");
             EXPECT_EQ(c.GetAuditData(), Hex("0102"));
         }},
        {"complete", "", false, "CRspPassThroughModeComplete", "00 3030303030 0000",
         [](const CObjCommResponse& r) {
             EXPECT_EQ(As<CRspPassThroughModeComplete>(r).GetDllError(), "00000");
         }},
    };
    return cases;
}

TEST(NamedCommands, EachBuildsTheBodyItsClassReadsBack) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(std::string(c.command) + " " + c.fields + (c.extended ? " (extended)" : ""));
        tools::NamedBody named;
        std::string error;
        ASSERT_TRUE(tools::BuildNamedBody(c.command, Fields(c.fields), {}, c.extended, named, error))
            << error;
        ASSERT_NE(named.commandClass, nullptr);
        EXPECT_STREQ(named.commandClass->name, c.className);
        EXPECT_EQ(test::ToHex(named.body), test::ToHex(Hex(c.body)));
        const std::unique_ptr<CObjCommResponse> parsed = ParseBack(named, c.extended);
        ASSERT_NE(parsed, nullptr);
        EXPECT_STREQ(parsed->ClassName(), c.className);
        if (c.reencodes) {
            EXPECT_EQ(test::ToHex(parsed->GetBody()), test::ToHex(named.body));
        }
        c.check(*parsed);
    }
}

TEST(NamedCommands, FinishTravelsWithTransactionZero) {
    tools::NamedBody named;
    std::string error;
    ASSERT_TRUE(tools::BuildNamedBody("finish", {}, {}, true, named, error));
    EXPECT_EQ(named.transaction, std::optional<std::uint16_t>(0));
    ASSERT_TRUE(tools::BuildNamedBody("complete", {}, {}, true, named, error));
    EXPECT_FALSE(named.transaction.has_value());
}

TEST(NamedCommands, BulkItemsReadBackInBothLayouts) {
    const std::vector<std::vector<NamedField>> items = {
        Fields("apdu=00A4040002 3F00 check=sw result=9000"),
        Fields("dest=57 timeout=5 apdu=00B0000010 check=whole result=0102 9000"),
        Fields("case=35 apdu=AABB"),
    };
    struct Layout {
        bool extended;
        const char* body;
    };
    const Layout layouts[] = {
        {true,
         "0003"
         "00000012 58 00 33 0000 0007 00A40400023F00 02 02 9000"
         "00000012 57 05 32 0000 0005 00B0000010 01 04 01029000"
         "0000000A 58 00 35 0000 0002 AABB 00"},
        {false,
         "0003"
         "0010 58 00 33 0007 00A40400023F00 02 02 9000"
         "0010 57 05 32 0005 00B0000010 01 04 01029000"
         "0008 58 00 35 0002 AABB 00"},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.extended ? "extended" : "narrow");
        tools::NamedBody named;
        std::string error;
        ASSERT_TRUE(tools::BuildNamedBody("bulk", {}, items, layout.extended, named, error)) << error;
        EXPECT_EQ(test::ToHex(named.body), test::ToHex(Hex(layout.body)));
        const std::unique_ptr<CObjCommResponse> parsed = ParseBack(named, layout.extended);
        ASSERT_NE(parsed, nullptr);
        const auto& bulk = As<CRspBulkProcess>(*parsed);
        ASSERT_EQ(bulk.GetItems().size(), 3U);
        const CBulkProcessCommand& first = *bulk.GetItems()[0];
        ExpectProcess(*first.GetProcess(), 0x58, 0, 0x33, 0, "00A40400023F00");
        EXPECT_EQ(first.GetCheckMode(), CBulkProcessCommand::kCheckStatusWord);
        EXPECT_EQ(first.GetExpectedResult(), Hex("9000"));
        const CBulkProcessCommand& second = *bulk.GetItems()[1];
        ExpectProcess(*second.GetProcess(), 0x57, 5, 0x32, 0, "00B0000010");
        EXPECT_EQ(second.GetCheckMode(), CBulkProcessCommand::kCheckWholeResult);
        EXPECT_EQ(second.GetExpectedResult(), Hex("01029000"));
        const CBulkProcessCommand& third = *bulk.GetItems()[2];
        EXPECT_EQ(third.GetProcess()->GetApduCase(), 0x35U);
        EXPECT_EQ(third.GetCheckMode(), CBulkProcessCommand::kCheckNothing);
        EXPECT_EQ(test::ToHex(parsed->GetBody()), test::ToHex(named.body));
    }
}

}  // namespace
}  // namespace tessaly
