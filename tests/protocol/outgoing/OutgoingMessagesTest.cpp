#include <gtest/gtest.h>

#include <map>
#include <string>

#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"
#include "tests/protocol/outgoing/MessageCases.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

struct Codes {
    std::uint32_t command;
    int subCommand;
};

// Every outgoing class and its codes.
const std::map<std::string, Codes> kCodes = {
    {"CMsgTarnStartPassThroughMode", {0x0A, 0x00}},
    {"CMsgCorvidStartPassThroughMode", {0x0A, 0x00}},
    {"CMsgTerminateJob", {0x0A, 0x00}},
    {"CMsgResetCard", {0x0A, 0x01}},
    {"CMsgSetVoltage", {0x0A, 0x02}},
    {"CMsgSetBaudRate", {0x0A, 0x03}},
    {"CMsgSetFrequency", {0x0A, 0x04}},
    {"CMsgProcess", {0x0A, 0x05}},
    {"CMsgEjectCard", {0x0A, 0x06}},
    {"CMsgQueryCard", {0x0A, 0x07}},
    {"CMsgSetNAD", {0x0A, 0x08}},
    {"CMsgConfigSerialPort", {0x0A, 0x09}},
    {"CMsgGetHardwareVersion", {0x0A, 0x0A}},
    {"CMsgWarmReset", {0x0A, 0x0B}},
    {"CMsgBulkProcess", {0x0A, 0x0C}},
    {"CMsgSerialMemoryProcess", {0x0A, 0x0D}},
    {"CMsgBulkSerialProcess", {0x0A, 0x0E}},
    {"CMsgResetCardWithPPS", {0x0A, 0x0F}},
    {"CMsgResend", {0x0A, 0x10}},
    {"CMsgSetTimeoutValue", {0x0A, 0x11}},
    {"CMsgWarmResetWithPPS", {0x0A, 0x12}},
    {"CMsgKeepAlive", {0x0A, 0x13}},
    {"CMsgCardCommandSimulation", {0x0A, 0x15}},
    {"CMsgReaderAttribute", {0x0A, 0x16}},
    {"CMsgSetCardType", {0x0A, 0x17}},
    {"CMsgMessage", {0x0A, 0x20}},
    {"CMsgSerialFlush", {0x0A, 0x22}},
    {"CMsgPiccReset", {0x0A, 0x30}},
    {"CMsgPiccIssuePPS", {0x0A, 0x31}},
    {"CMsgPiccAntennaTuning", {0x0A, 0x32}},
    {"CMsgSetKeys", {0x0A, 0x33}},
    {"CMsgPiccAuthenticate", {0x0A, 0x34}},
    {"CMsgPiccPower", {0x0A, 0x35}},
    {"CMsgDiversifyKeys", {0x0A, 0x36}},
    {"CMsgPassThroughModeFinish", {0x0A, 0xFF}},
    {"CMsgHealthCheck", {0x99, -1}},
    {"CMsgRegisterDevice", {0x06, -1}},
    {"CMsgRequestDeviceName", {0x07, -1}},
    {"CMsgSetDeviceName", {0x09, -1}},
};

TEST(OutgoingMessages, BodiesCodesAndDescriptions) {
    std::map<std::string, int> seen;
    for (const test::MessageCase& c : test::MessageCases()) {
        SCOPED_TRACE(c.name);
        auto message = c.make();
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->IsExtended(), c.extended);
        EXPECT_EQ(ToHex(message->Body()), ToHex(Hex(c.body)));
        EXPECT_EQ(message->Describe(), c.description);
        EXPECT_EQ(message->Describe(), c.description) << "a second Describe starts afresh";

        const auto codes = kCodes.find(message->ClassName());
        ASSERT_NE(codes, kCodes.end()) << message->ClassName();
        EXPECT_EQ(message->GetCommand(), codes->second.command);
        EXPECT_EQ(message->GetSubCommand(), codes->second.subCommand);
        EXPECT_TRUE(message->UsesLongForm());
        ++seen[message->ClassName()];
    }
    // Every class in both extended settings: the table leaves none out.
    for (const auto& [name, codes] : kCodes) {
        EXPECT_GE(seen[name], 2) << name;
    }
}

TEST(OutgoingMessages, PacketsInBothFrameSizes) {
    for (const test::MessageCase& c : test::MessageCases()) {
        SCOPED_TRACE(c.name);
        auto message = c.make();
        const CByteArray body = Hex(c.body);
        COutBinaryString out;
        ASSERT_TRUE(message->BuildPacket(out, 0x1234, kAddressKeyStation, false));
        EXPECT_EQ(ToHex(out.Bytes()), ToHex(test::ExpectedPacket(*message, 0x1234, body)));

        // The wide frame carries the same payload behind a 4-byte length.
        ASSERT_TRUE(message->BuildPacket(out, 0x1234, kAddressKeyStation, true));
        CByteArray payload;
        if (message->GetCommand() == 0x0A) {
            payload = {static_cast<std::uint8_t>(message->GetSubCommand()), 0x12, 0x34};
        }
        payload.insert(payload.end(), body.begin(), body.end());
        COutBinaryString wide;
        wide.AppendByte(0x02).SetLengthPrefix(LengthPrefix::OneByte).AppendString("[KEY]");
        wide.AppendByte(static_cast<std::uint8_t>(message->GetCommand()));
        wide.SetLengthPrefix(LengthPrefix::FourBytes).AppendBytes(payload).AppendChecksum();
        EXPECT_EQ(ToHex(out.Bytes()), ToHex(wide.Bytes()));
    }
}

TEST(OutgoingMessages, ExactPacketsOfTheProtocol) {
    COutBinaryString out;
    ASSERT_TRUE(CMsgKeepAlive(true).BuildPacket(out, 5, kAddressKeyStation, false));
    EXPECT_EQ(out.Bytes(), Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB"));
    ASSERT_TRUE(CMsgKeepAlive(true).BuildPacket(out, 5, kAddressKeyStation, true));
    EXPECT_EQ(out.Bytes(), Hex("02 05 5B 4B 45 59 5D 0A 00 00 00 03 13 00 05 CD"));

    // Job-level requests carry no sub-header, whatever transaction number is stamped.
    ASSERT_TRUE(CMsgRequestDeviceName(true, 1).BuildPacket(out, 0x1234, kAddressController, false));
    EXPECT_EQ(out.Bytes(), Hex("00 07 5B 43 54 52 4C 52 5D 07 00 01 01 4F"));

    ASSERT_TRUE(CMsgHealthCheck(false, false).BuildPacket(out, 0, kAddressCardProcessing, false));
    EXPECT_EQ(out.Bytes(), Hex("99 00 00 99"));
    EXPECT_FALSE(CMsgHealthCheck(false, false).UsesLongForm());
    ASSERT_TRUE(CMsgHealthCheck(true, false).BuildPacket(out, 0, kAddressCardProcessing, false));
    EXPECT_EQ(out.Bytes()[0], 0x00);

    // An empty body: the payload is the 3-byte sub-header alone.
    ASSERT_TRUE(CMsgSetNAD(true).BuildPacket(out, 0x1234, kAddressCardProcessing, false));
    EXPECT_EQ(ToHex(CByteArray(out.Bytes().end() - 6, out.Bytes().end() - 1)), "00 03 08 12 34");
    ASSERT_TRUE(CMsgSetTimeoutValue(false).BuildPacket(out, 0, kAddressCardProcessing, false));
    EXPECT_EQ(ToHex(CByteArray(out.Bytes().end() - 6, out.Bytes().end() - 1)), "00 03 11 00 00");

    // The acknowledgement of a command with transaction 0x1234 starts with its sub-code and 12 34.
    ASSERT_TRUE(CMsgProcess(false, 0x90, Hex("61 10"), false, false).BuildPacket(out, 0x1234, "", false));
    EXPECT_EQ(out.Bytes(), Hex("00 00 0A 00 09 05 12 34 30 00 03 90 61 10 92"));
}

TEST(OutgoingMessages, ConstructorArgumentsMeanWhatTheyName) {
    const CMsgRegisterDevice byName("PC1", Hex("01"), "PS7", true);
    EXPECT_EQ(byName.GetMode(), kOverwriteByName) << "a literal old name selects mode 2, not the bool";
    EXPECT_EQ(byName.GetOldDeviceName(), "PS7");

    CMsgTarnStartPassThroughMode tarn("PS7_1", "APP", {}, 1, 4, true);
    EXPECT_TRUE(tarn.SetStationPresent(0));
    EXPECT_TRUE(tarn.SetKeyStationPresent(0));
    EXPECT_FALSE(tarn.SetStationPresent(1));
    EXPECT_FALSE(tarn.SetKeyStationExtPortPresent(4));
    EXPECT_EQ(tarn.GetStationStatus(), "1");
    EXPECT_EQ(tarn.GetKeyStationStatus(), "1000");
    EXPECT_EQ(tarn.GetStationExtPortStatus(), "0");
    EXPECT_EQ(tarn.GetKeyStationExtPortStatus(), "0000");
    EXPECT_TRUE(tarn.SetKeyStationPresent(0, false));
    EXPECT_EQ(tarn.GetKeyStationStatus(), "0000");

    const CMsgProcess timedOut(true, 0x80100008, {}, false, true, 0x0002);
    EXPECT_TRUE(timedOut.IsTimedOut());
    EXPECT_EQ(timedOut.GetIndicator(), '1');
    EXPECT_EQ(timedOut.GetFlags(), 0x0002);
    EXPECT_EQ(timedOut.GetReturnCode(), 0x80100008U);
    // Narrow return codes keep only the byte that travels.
    EXPECT_EQ(CMsgProcess(false, 0x80100008, {}, false, false).GetReturnCode(), 0x08U);
    EXPECT_EQ(CMsgQueryCard(0x103, false).GetResult(), 0x03U);
    EXPECT_EQ(CMsgSetCardType(0x80100008, false).GetReturnCode(), 0x80100008U) << "rc4 is never narrowed";
}

TEST(OutgoingMessages, ResponseIsEncipheredOnlyWhenAskedAndPossible) {
    const CCipherContext context(DevelopmentStationKey());
    const CByteArray response = Hex("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 01 02 90 00");
    struct Case {
        std::uint16_t flags;
        const CCipherContext* context;
        bool enciphered;
    };
    const Case cases[] = {
        {0x0004, &context, true},
        {0xFFFF, &context, true},
        {0x0002, &context, false},
        {0x0000, &context, false},
    };
    for (const Case& c : cases) {
        for (const bool lengthFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << "flags " << c.flags << (lengthFirst ? ", length first" : ""));
            const CMsgProcess process(false, 0, response, lengthFirst, true, c.flags, c.context);
            EXPECT_FALSE(process.EnvelopeFailed());
            EXPECT_EQ(process.GetReturnCode(), 0U);
            EXPECT_EQ(process.GetFlags(), c.flags);
            if (!c.enciphered) {
                EXPECT_EQ(process.GetResponse(), response);
                continue;
            }
            // 20 bytes of data: a 5-byte header, 7 bytes of padding, 32 bytes in all.
            EXPECT_EQ(process.GetResponse().size(), 32U);
            CByteArray plain;
            ASSERT_TRUE(DecryptEnvelope(context, process.GetResponse(), plain));
            EXPECT_EQ(plain, response);
            // The length field counts the envelope.
            const CByteArray body = process.Body();
            const std::size_t at = lengthFirst ? 0 : 3;
            EXPECT_EQ((body[at] << 8) | body[at + 1], 32 + (lengthFirst ? 7 : 4));
        }
    }

    const CMsgDiversifyKeys keys(0x91, Hex("01 02 03"), context, false);
    EXPECT_FALSE(keys.EnvelopeFailed());
    EXPECT_EQ(keys.GetReturnCode(), 0x91U);
    EXPECT_EQ(keys.GetData().size(), 16U);
    CByteArray plain;
    ASSERT_TRUE(DecryptEnvelope(context, keys.GetData(), plain));
    EXPECT_EQ(plain, Hex("01 02 03"));
}

TEST(OutgoingMessages, FieldsLongerThanTheirLengthAreCut) {
    const CString longText(300, 'x');
    const CMsgMessage message(kMessageOk, longText, true);
    EXPECT_EQ(message.GetText(), CString(255, 'x'));
    const CByteArray body = message.Body();
    ASSERT_EQ(body.size(), 2U + 255U);
    EXPECT_EQ(body[1], 0xFF);

    const CMsgSetDeviceName setName(1, longText, true);
    EXPECT_EQ(setName.Body().size(), 2U + 255U);
    const CMsgRegisterDevice registration(longText, CByteArray(300, 1), longText, true);
    EXPECT_EQ(registration.Body().size(), 1U + 256U + 256U + 256U);

    // The Process length counts the response plus the fixed fields, so the response gives way.
    const CMsgProcess process(false, 0, CByteArray(70000, 0x55), true, true);
    EXPECT_EQ(process.GetResponse().size(), 65535U - 7U);
    const CByteArray processBody = process.Body();
    EXPECT_EQ(processBody[0], 0xFF);
    EXPECT_EQ(processBody[1], 0xFF);
    EXPECT_EQ(processBody.size(), 2U + 65535U);

    // An enciphered response is cut before enciphering, so that its envelope still fits.
    const CCipherContext context(DevelopmentStationKey());
    const CMsgProcess enciphered(false, 0, CByteArray(70000, 0x55), false, true, 0x0004, &context);
    ASSERT_FALSE(enciphered.EnvelopeFailed());
    EXPECT_LE(enciphered.GetResponse().size(), 65535U - 4U);
    CByteArray plain;
    ASSERT_TRUE(DecryptEnvelope(context, enciphered.GetResponse(), plain));
    EXPECT_EQ(plain.size(), 65535U - 4U - 13U);

    const CMsgWarmResetWithPPS pps(0, 3579, 9600, CByteArray(70000, 0x3B), true);
    EXPECT_EQ(pps.GetAtr().size(), 65535U - 14U);

    CMsgCorvidStartPassThroughMode corvid("M", "S", "A", 0, true, {}, 0, 0, 0, CByteArray(70000, 1), true);
    EXPECT_EQ(corvid.GetData().size(), 65534U);
    corvid.AddItem(0x10, CByteArray(70000, 2));
    EXPECT_EQ(corvid.GetItems().front()->value.size(), 65535U);

    const CMsgTarnStartPassThroughMode tarn("M", "D", CByteArray(70000, 3), 255, 255, true);
    EXPECT_EQ(tarn.GetFirData().size(), 65535U - 5U - 510U - 510U);
}

TEST(OutgoingMessages, BulkListIsBoundedByItsCount) {
    CMsgBulkProcess bulk(kBulkFailed, false);
    EXPECT_FALSE(bulk.Add(nullptr));
    auto element = std::make_shared<CMsgProcess>(false, 0, CByteArray{}, true, true);
    for (int i = 0; i < 65535; ++i) {
        ASSERT_TRUE(bulk.Add(element));
    }
    EXPECT_FALSE(bulk.Add(element));
    EXPECT_EQ(bulk.GetElements().size(), 65535U);
    const CByteArray body = bulk.Body();
    EXPECT_EQ(body[1], 0xFF);
    EXPECT_EQ(body[2], 0xFF);
    bulk.SetStatus(kBulkSuccess);
    EXPECT_EQ(bulk.GetStatus(), kBulkSuccess);
}

TEST(OutgoingMessages, SerialMemoryAnswersNeverLackTheirRecord) {
    // A missing result is answered as an unavailable function, so the body always holds a record.
    CMsgSerialMemoryProcess missing(nullptr, true);
    EXPECT_EQ(ToHex(missing.Body()), "00 07 36 00 00 00 00 00 77");
    EXPECT_EQ(missing.GetResult().GetErrorIndicator(), kSmFunctionUnavailable);

    CMsgBulkSerialProcess bulk(kBulkSerialUnavailable, true);
    EXPECT_FALSE(bulk.Add(nullptr));
    EXPECT_TRUE(bulk.GetResults().empty());
    EXPECT_EQ(ToHex(bulk.Body()), "36 00 00");
    bulk.SetStatus(kBulkSerialSuccess);
    EXPECT_EQ(bulk.GetStatus(), kBulkSerialSuccess);
}

}  // namespace
}  // namespace tessaly
