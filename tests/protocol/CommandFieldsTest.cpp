// What the executors read from a parsed command: the typed fields, the APDU parts, the bulk items,
// the key records, and the enciphered data the commands unwrap. Bytes and descriptions are the
// vectors' business (IncomingVectorsTest); here only what no description shows.
#include <gtest/gtest.h>

#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/cipher/StationKey.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/SerialPortCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/incoming/contactless/KeyStationCommands.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/incoming/contactless/TypeBCommands.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

// Parses `body` under the pass-through sub-command (or, for `command` other than 0x0A, as that
// command in the long form) and hands back the object as T.
template <class T>
std::unique_ptr<T> Parse(std::uint8_t sub, const CByteArray& body, bool extended = true,
                         std::uint8_t command = 0x0A) {
    const CByteArray packet =
        command == 0x0A ? test::PassThroughPacket(sub, 1, body) : test::LongPacket(command, body);
    std::unique_ptr<CObjCommResponse> parsed = test::Parse(packet, extended);
    auto* typed = dynamic_cast<T*>(parsed.get());
    EXPECT_NE(typed, nullptr) << parsed->ClassName();
    parsed.release();
    return std::unique_ptr<T>(typed);
}

// The low bytes of field values, to compare several fields at once.
template <class... T>
CByteArray Bytes(T... values) {
    return {static_cast<std::uint8_t>(values)...};
}

const CCipherContext& Cipher() {
    static const CCipherContext kContext(DevelopmentStationKey());
    return kContext;
}

CByteArray Envelope(const CByteArray& plain) {
    CByteArray envelope;
    EXPECT_TRUE(EncryptEnvelope(Cipher(), plain, envelope));
    return envelope;
}

// An extended Process body for the contact station, case 2.
CByteArray ProcessBody(std::uint16_t flags, const CByteArray& data) {
    COutBinaryString out;
    out.AppendByte(0x58).AppendByte(0x1E).AppendByte(0x32).AppendWord(flags);
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(data);
    return out.TakeBytes();
}

TEST(CommandFields, ProcessPartsAndFlags) {
    const auto select = Parse<CRspProcess>(0x05, Hex("58 1E 34 00 08 00 A4 04 00 02 3F 00 00"), false);
    EXPECT_EQ(select->GetDestination(), 0x58U);
    EXPECT_EQ(select->GetTimeOut(), 30U);
    EXPECT_EQ(select->GetApduCase(), 0x34U);
    EXPECT_EQ(select->GetData(), Hex("00 A4 04 00 02 3F 00 00"));
    ASSERT_TRUE(select->IsSplit());
    EXPECT_EQ(Bytes(select->GetCla(), select->GetIns(), select->GetP1(), select->GetP2(), select->GetLe()),
              Hex("00 A4 04 00 00"));
    EXPECT_EQ(select->GetLcData(), Hex("3F 00"));
    EXPECT_EQ(Parse<CRspProcess>(0x05, Hex("58 00 32 00 07 00 B0 00 00 10 EE FF"), false)->GetLe(), 0x10);

    const auto envelope = Parse<CRspProcess>(0x05, Hex("58 1E 32 00 06 00 03 45 AA BB"));
    EXPECT_EQ(envelope->GetFlags(), 0x0006);
    EXPECT_EQ(Bytes(envelope->HasEncryptedData(), envelope->WantsEncryptedAnswer(), envelope->IsSplit()),
              Hex("01 01 00"));
    const auto answer = Parse<CRspProcess>(0x05, Hex("58 1E 32 00 04 00 05 00 84 00 00 08"));
    EXPECT_EQ(Bytes(answer->HasEncryptedData(), answer->WantsEncryptedAnswer()), Hex("00 01"));
}

TEST(CommandFields, EncipheredDataIsUnwrappedOnlyWhenFlagged) {
    const CByteArray apdu = Hex("00 B0 00 00 10");
    CByteArray out;
    EXPECT_TRUE(Parse<CRspProcess>(0x05, ProcessBody(0x0002, Envelope(apdu)))->DecryptData(Cipher(), out));
    EXPECT_EQ(out, apdu);
    CByteArray untouched = Hex("AA");
    EXPECT_FALSE(Parse<CRspProcess>(0x05, ProcessBody(0, apdu))->DecryptData(Cipher(), untouched));
    EXPECT_EQ(untouched, Hex("AA"));
    CByteArray broken = Envelope(apdu);
    broken.back() ^= 0x01;
    EXPECT_FALSE(Parse<CRspProcess>(0x05, ProcessBody(0x0002, broken))->DecryptData(Cipher(), untouched));
    EXPECT_TRUE(untouched.empty());

    const CByteArray keys = Hex("FF FF FF FF FF FF A0 A1 A2 A3 A4 A5");
    COutBinaryString setKeys;
    setKeys.AppendByte(0x43).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(Envelope(keys));
    EXPECT_TRUE(Parse<CRspSetKeys>(0x33, setKeys.Bytes())->DecryptKeyData(Cipher(), out));
    EXPECT_EQ(out, keys);
    const auto plainKeys = Parse<CRspSetKeys>(0x33, Hex("43 00 0C FF FF FF FF FF FF A0 A1 A2 A3 A4 A5"));
    EXPECT_EQ(plainKeys->GetKeyData().size(), 12U);
    EXPECT_FALSE(plainKeys->DecryptKeyData(Cipher(), out));
    EXPECT_TRUE(out.empty());
}

TEST(CommandFields, BulkItemsInArrivalOrder) {
    auto bulk = Parse<CRspBulkProcess>(0x0C,
                                       Hex("00 03 00 0E 58 1E 32 00 05 00 B0 00 00 02 01 02 90 00"
                                           " 00 07 80 00 35 00 01 FF 00"
                                           " 00 0A 57 00 31 00 04 00 84 00 00 02 02 6A 82"),
                                       false);
    const CBulkProcessItems& items = bulk->GetItems();
    ASSERT_EQ(items.size(), 3U);
    EXPECT_EQ(items[0]->GetCheckMode(), 1U);
    EXPECT_EQ(items[0]->GetExpectedResult(), Hex("90 00"));
    EXPECT_EQ(items[0]->GetProcess()->GetLe(), 0x02);
    EXPECT_EQ(items[1]->GetCheckMode(), 0U);
    EXPECT_FALSE(items[1]->HasExpectedResult());
    EXPECT_EQ(items[1]->GetProcess()->GetData(), Hex("FF"));
    EXPECT_EQ(items[2]->GetCheckMode(), 2U);
    EXPECT_EQ(items[2]->GetExpectedResult(), Hex("6A 82"));
    EXPECT_EQ(items[2]->GetProcess()->GetDestination(), 0x57U);
    const CRCPtr<CBulkProcessCommand> kept = items[2];
    bulk.reset();
    EXPECT_EQ(kept.use_count(), 1) << "items outlive the command";
    EXPECT_EQ(kept->GetProcess()->GetData(), Hex("00 84 00 00"));
}

TEST(CommandFields, BulkExpectationIsEncipheredWithTheAnswer) {
    const CByteArray expected = Hex("90 00");
    COutBinaryString body;
    body.AppendWord(4);
    for (const std::uint16_t flags : {0x0004, 0x0006, 0x0002, 0x0000}) {
        const CByteArray process = ProcessBody(flags, Hex("00 B0 00 00 10"));
        const CByteArray result = (flags & 4) != 0 ? Envelope(expected) : expected;
        body.AppendDWord(static_cast<std::uint32_t>(process.size() + 2 + result.size()));
        body.AppendBytes(process).AppendByte(0x02);
        body.SetLengthPrefix(LengthPrefix::OneByte).AppendBytes(result).SetLengthPrefix(LengthPrefix::None);
    }
    const auto bulk = Parse<CRspBulkProcess>(0x0C, body.Bytes());
    ASSERT_EQ(bulk->GetItems().size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) {
        const CBulkProcessCommand& item = *bulk->GetItems()[i];
        CByteArray out = Hex("AA");
        EXPECT_EQ(item.IsEncrypted(), i < 2) << i;
        EXPECT_EQ(item.DecryptExpected(Cipher(), out), i < 2) << i;
        EXPECT_EQ(out, i < 2 ? expected : Hex("AA")) << i;
    }
    EXPECT_FALSE(Parse<CRspBulkProcess>(0x0C, Hex("00 01 00 09 58 00 35 00 01 AA 01 02 EE EE"), false)
                     ->GetItems()[0]
                     ->IsEncrypted());
}

TEST(CommandFields, StationSettings) {
    const auto voltage = Parse<CRspSetVoltage>(0x02, Hex("58 00 04 00 00 13 88"));
    EXPECT_EQ(voltage->GetValue(), 5000U);
    EXPECT_EQ(voltage->GetDestination(), 0x58U);
    const auto baud = Parse<CRspSetBaudRate>(0x03, Hex("58 00 01 13"), false);
    EXPECT_EQ(Bytes(baud->IsPps(), baud->GetBaudRate(), baud->GetProtocol()), Hex("00 13 FF"));
    const auto pps = Parse<CRspSetBaudRate>(0x03, Hex("57 00 05 01 70 95 01 02"));
    EXPECT_TRUE(pps->IsPps());
    EXPECT_EQ(Bytes(pps->GetProtocol(), pps->GetPps0(), pps->GetPps1(), pps->GetPps2(), pps->GetPps3()),
              Hex("01 70 95 01 02"));
    const auto cold = Parse<CRspResetCardWithPPS>(0x0F, Hex("57 12 03"), false);
    EXPECT_EQ(Bytes(cold->GetDestination(), cold->GetVoltage(), cold->GetFrequency()), Hex("57 12 03"));
    EXPECT_EQ(Parse<CRspWarmResetWithPPS>(0x12, Hex("58 00 00 0F A0"))->GetFrequency(), 4000U);

    const auto attribute = Parse<CRspReaderAttribute>(0x16, Hex("58 02 80 00 00 25 80"), false);
    EXPECT_EQ(Bytes(attribute->IsSet(), attribute->GetAttribute(), attribute->GetSetFlag()), Hex("01 02 80"));
    EXPECT_EQ(attribute->GetValue(), 9600U);
    EXPECT_FALSE(Parse<CRspReaderAttribute>(0x16, Hex("43 0B 00"))->IsSet());

    EXPECT_EQ(Parse<CRspSetCardType>(0x17, Hex("89"))->GetCardType(), 0x89U);
    EXPECT_EQ(Parse<CRspEjectCard>(0x06, Hex("58"))->GetDestination(), 0x58U);
    EXPECT_EQ(Parse<CRspQueryCard>(0x07, Hex("57"))->GetDestination(), 0x57U);
    EXPECT_EQ(Parse<CRspWarmReset>(0x0B, Hex("43"))->GetDestination(), 0x43U);
    EXPECT_EQ(Parse<CRspSerialFlush>(0x22, Hex("88"))->GetDestination(), 0x88U);
    const auto nad = Parse<CRspSetNAD>(0x08, Hex("57 12"));
    EXPECT_EQ(nad->GetDestination() << 8 | nad->GetNad(), 0x5712U);
    const auto port = Parse<CRspConfigSerialPort>(0x09, Hex("58 04 02 03 01 02"));
    EXPECT_EQ(Bytes(port->GetDestination(), port->GetBaudRate(), port->GetParity(), port->GetDataBits(),
                    port->GetStopBits(), port->GetFlowControl()),
              Hex("58 04 02 03 01 02"));
    const auto resend = Parse<CRspResend>(0x10, Hex("AB 91"), false);
    EXPECT_EQ(Bytes(resend->GetReserved(), resend->GetErrorCode()), Hex("AB 91"));
    EXPECT_EQ(Parse<CRspSelectStation>(0x21, Hex("07"))->GetStationNumber(), 7U);

    const auto plain = Parse<CRspCardCommandSimulation>(0x15, Hex("00 00 00 01 F4 00 02 00 02 90 00"), false);
    EXPECT_FALSE(plain->HasDestination());
    EXPECT_EQ(plain->GetDelayTime(), 500U);
    EXPECT_EQ(plain->GetRequestedLength(), 2U);
    EXPECT_EQ(plain->GetSimulatedData(), Hex("90 00"));
    const auto routed = Parse<CRspCardCommandSimulation>(0x15, Hex("43 00 00 00 01 F4 00 02 00 02 90 00"));
    EXPECT_TRUE(routed->HasDestination());
    EXPECT_EQ(routed->GetDestination(), 0x43U);
}

TEST(CommandFields, ContactlessCommands) {
    EXPECT_EQ(Parse<CRspPiccReset>(0x30, Hex("43 00 02 3B 6E"))->GetResetData(), Hex("3B 6E"));
    EXPECT_EQ(Parse<CRspPiccIssuePPS>(0x31, Hex("43 96"))->GetPps1(), 0x96U);
    EXPECT_TRUE(Parse<CRspPiccAuthenticate>(0x34, Hex("43 02 00 01 04"))->GetOption());
    EXPECT_FALSE(Parse<CRspPiccAuthenticate>(0x34, Hex("43 00 00 00"))->GetOption());
    EXPECT_EQ(Parse<CRspPiccAuthenticate>(0x34, Hex("43 02 00 01 04"))->GetData(), Hex("04"));
    const auto power = Parse<CRspPiccPower>(0x35, Hex("43 7F 00 00 01 00"));
    EXPECT_TRUE(power->IsPowerOn());
    EXPECT_EQ(power->GetCarrierFieldStrength(), 0x100U);
    EXPECT_EQ(Parse<CRspDiversifyKeys>(0x36, Hex("43 00 01 99"))->GetKeyData(), Hex("99"));
    const auto reqb = Parse<CRspReqb>(0x37, Hex("43 05 02"));
    EXPECT_EQ(reqb->GetAfi() << 8 | reqb->GetN(), 0x0502U);
    const auto wupb = Parse<CRspWupb>(0x38, Hex("43 06 03"));
    EXPECT_EQ(wupb->GetAfi() << 8 | wupb->GetN(), 0x0603U);
    const auto attrib = Parse<CRspAttrib>(0x39, Hex("43 12 34 56 78 10 11 12 13 14 15 16 17 00 01 EE"));
    EXPECT_EQ(attrib->GetIdentifier(), Hex("12 34 56 78"));
    EXPECT_EQ(Bytes(attrib->GetMinimumTr0(), attrib->GetMinimumTr1(), attrib->GetEof(), attrib->GetSof(),
                    attrib->GetBitRateToPcd(), attrib->GetBitRateToPicc(), attrib->GetMaximumFrameSize(),
                    attrib->GetProtocol()),
              Hex("10 11 12 13 14 15 16 17"));
    EXPECT_EQ(attrib->GetInf(), Hex("EE"));
    EXPECT_EQ(Parse<CRspHltb>(0x3A, Hex("43 CA FE BA BE"))->GetIdentifier(), Hex("CA FE BA BE"));
}

TEST(CommandFields, OperatorMessage) {
    const auto none = Parse<CRspMessage>(0x20, Hex("00 02 48 69 4F 4E"), false);
    EXPECT_EQ(none->GetText(), "Hi");
    EXPECT_EQ(Bytes(none->GetButtonScheme(), none->GetInputIndicator(), none->GetExpectedInputLength(),
                    none->GetInputSecurity(), none->GetConfirmation(), none->AsksForInput()),
              Hex("4F 4E 00 4E 4E 00"));
    const auto input = Parse<CRspMessage>(0x20, Hex("00 03 41 00 42 43 59 08 53 59"), false);
    EXPECT_EQ(input->GetText(), CString("A\0B", 3));
    EXPECT_EQ(Bytes(input->GetExpectedInputLength(), input->GetInputSecurity(), input->GetConfirmation(),
                    input->AsksForInput()),
              Hex("08 53 59 01"));
    EXPECT_FALSE(Parse<CRspMessage>(0x20, Hex("00 00 4F 58 04 53 59"))->AsksForInput());
}

TEST(CommandFields, PassThroughComplete) {
    auto complete = Parse<CRspPassThroughModeComplete>(0xFF, Hex("01 30 30 31 32 33 00 02 AB CD"));
    EXPECT_EQ(complete->GetAcceptCode(), 0x01U);
    EXPECT_EQ(complete->GetDllError(), "00123");
    EXPECT_EQ(complete->GetAuditData(), Hex("AB CD"));
    EXPECT_TRUE(complete->SetAuditData(Hex("01 02 03")));
    EXPECT_EQ(complete->Describe().back(), "010203");
    EXPECT_EQ(complete->GetBody(), Hex("01 30 30 31 32 33 00 03 01 02 03"));
    EXPECT_TRUE(complete->SetAuditData({}));
    EXPECT_EQ(complete->Describe().back(), "None");
    // More than a 16-bit length can announce is refused and changes nothing.
    EXPECT_FALSE(complete->SetAuditData(CByteArray(0x10000, 0x55)));
    EXPECT_TRUE(complete->GetAuditData().empty());
    EXPECT_TRUE(complete->SetAuditData(CByteArray(0xFFFF, 0x55)));
    EXPECT_EQ(complete->GetBody().size(), 1U + 5U + 2U + 0xFFFFU);
    const auto bare = Parse<CRspPassThroughModeComplete>(0xFF, Hex("D0"));
    EXPECT_EQ(bare->GetAcceptCode(), 0xD0U);
    EXPECT_EQ(bare->GetDllError(), "00000");
    EXPECT_TRUE(bare->GetAuditData().empty());
}

TEST(CommandFields, KeyStationAndDeviceReplies) {
    const auto request = Parse<CRspKeyRequest>(0, Hex("03 00 02 41 42 04 00 02 0A FF"), true, 0x01);
    ASSERT_EQ(request->GetItems().size(), 2U);
    EXPECT_EQ(request->GetItems()[0].fieldType, 3U);
    EXPECT_TRUE(request->GetItems()[0].isText);
    EXPECT_EQ(request->GetItems()[0].text, "AB");
    EXPECT_FALSE(request->GetItems()[1].isText);
    EXPECT_EQ(request->GetItems()[1].bytes, Hex("0A FF"));

    const auto store =
        Parse<CRspKeyStore>(0, Hex("03 00 02 43 4B 05 00 00 04 00 01 11 04 00 02 22 33"), true, 0x03);
    const CKeyObjectRecord& record = store->GetRecord();
    EXPECT_EQ(record.CountPresent(), 3);
    EXPECT_EQ(*record.GetText(CKeyObjectRecord::kTagCheck), "CK");
    EXPECT_TRUE(record.Has(CKeyObjectRecord::kTagHolder)) << "present though empty";
    EXPECT_EQ(*record.GetText(CKeyObjectRecord::kTagHolder), "");
    EXPECT_EQ(*record.GetKeyEncrypted(), Hex("22 33")) << "the last value counts";
    EXPECT_EQ(record.GetText(CKeyObjectRecord::kTagKeyEncrypted), nullptr);
    EXPECT_FALSE(record.Has(CKeyObjectRecord::kTagNumber));
    EXPECT_EQ(record.GetText(CKeyObjectRecord::kTagNumber), nullptr);
    EXPECT_FALSE(record.Has(12));

    const auto object = Parse<CRspObjectRequest>(
        0, Hex("11 00 02 01 04 00 00 05 01 00 02 4B 31 00 00 04 01 00 01 41"), true, 0x04);
    EXPECT_EQ(object->GetObjectType(), 0x11U);
    EXPECT_EQ(object->GetRequestedFields(), Hex("01 04"));
    EXPECT_EQ(*object->GetSearchRecord().GetText(CKeyObjectRecord::kTagNumber), "K1");
    EXPECT_EQ(*object->GetResponseRecord().GetText(CKeyObjectRecord::kTagNumber), "A");
    EXPECT_EQ(Parse<CRspObjectDataLoading>(0, Hex("4B 31"), true, 0x05)->GetKeyNumber(), "K1");
    // Device registration replies.
    EXPECT_EQ(Parse<CRspRegisterDevice>(0, Hex("4F 4B"), false, 0x06)->GetText(), "OK");
    EXPECT_EQ(Parse<CRspRequestDeviceName>(0, Hex("50 00 53"), false, 0x07)->GetDeviceName(),
              CString("P\0S", 3));
    EXPECT_EQ(Parse<CRspAuthenticateClient>(0, Hex("02 AA BB CC"), false, 0x08)->GetToken(), Hex("AA BB"));
    EXPECT_EQ(Parse<CRspSetDeviceName>(0, Hex("41"), false, 0x09)->GetDeviceName(), "A");
}

}  // namespace
}  // namespace tessaly
