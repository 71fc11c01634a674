// Messages as the driver and the stations build them from values: each named case of outgoing.vec
// built here must give the vector's body, description and packet. Then what only construction does:
// enciphered answers, bulk lists, fields cut to fit their lengths, packets that cannot be framed.
#include <gtest/gtest.h>

#include <functional>

#include "protocol/cipher/StationKey.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"
#include "tests/support/TestPackets.h"
#include "tests/support/Vectors.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;
using Message = std::unique_ptr<CObjCommMessage>;
using U8 = std::uint8_t;

// The development key: the envelopes in the vectors are the known answers for it.
const CCipherContext& Cipher() {
    static const CCipherContext kContext(DevelopmentStationKey());
    return kContext;
}

template <class T, class... Args>
Message M(Args&&... args) {
    return std::make_unique<T>(std::forward<Args>(args)...);
}

CRCPtr<CSerialMemoryResult> Result(U8 indicator, std::uint32_t returnCode, U8 chip, U8 operation) {
    return std::make_shared<CSerialMemoryResult>(indicator, returnCode, chip, operation);
}
CRCPtr<CMsgProcess> Element(bool timedOut, std::uint32_t rc, const char* response, bool extended,
                            U8 flags = 0) {
    return std::make_shared<CMsgProcess>(timedOut, rc, Hex(response), true, extended, flags);
}

// Narrow return codes and clock codes are given wide: only their low byte may travel.
// clang-format off
const std::pair<const char*, std::function<Message()>> kBuilt[] = {
    {"reset card failed, low byte", [] { return M<CMsgResetCard>(0x80100069U, CByteArray{}, false); }},
    {"warm reset", [] { return M<CMsgWarmReset>(0U, Hex("3B 00"), false); }},
    {"set voltage", [] { return M<CMsgSetVoltage>(0x80100088U, false); }},
    {"eject card extended", [] { return M<CMsgEjectCard>(0x8010000CU, true); }},
    {"set card type", [] { return M<CMsgSetCardType>(0U, false); }},
    {"picc power", [] { return M<CMsgPiccPower>(0x88U, false); }},
    {"set nad packet", [] { return M<CMsgSetNAD>(true); }},
    {"set timeout packet", [] { return M<CMsgSetTimeoutValue>(false); }},
    {"set baud rate", [] { return M<CMsgSetBaudRate>(0x80100000U, false); }},
    {"issue pps", [] { return M<CMsgSetBaudRate>(0x80100000U, U8{0x11}, 9600U, false); }},
    {"query card", [] { return M<CMsgQueryCard>(3U, false); }},
    {"hardware version", [] { return M<CMsgGetHardwareVersion>(U8{2}, false); }},
    {"process packet", [] { return M<CMsgProcess>(false, 0x90U, Hex("61 10"), false, false); }},
    {"process extended timed out",
     [] { return M<CMsgProcess>(true, 0x80100069U, CByteArray{}, false, true, std::uint16_t{0x1232}); }},
    {"process length first", [] { return M<CMsgProcess>(false, 0x8010006AU, Hex("6A 82"), true, false); }},
    {"process length first extended", [] { return M<CMsgProcess>(false, 0U, Hex("90 00"), true, true); }},
    {"process enciphered extended",
     [] { return M<CMsgProcess>(false, 0x90U, Hex("61 10"), false, true, std::uint16_t{4}, &Cipher()); }},
    {"process enciphered length first",
     [] { return M<CMsgProcess>(false, 0x90U, Hex("61 10"), true, false, std::uint16_t{4}, &Cipher()); }},
    {"bulk process", [] {
         auto bulk = std::make_unique<CMsgBulkProcess>(U8{1}, false);
         bulk->Add(Element(false, 0, "90 00", false));
         bulk->Add(Element(false, 0x6A, "6A 82", false));
         return bulk;
     }},
    {"bulk process extended", [] {
         auto bulk = std::make_unique<CMsgBulkProcess>(U8{0}, true);
         bulk->Add(Element(true, 0x80100069, "", true, 2));
         return bulk;
     }},
    // The driver's bulk answer is narrow around extended elements.
    {"driver bulk", [] {
         auto bulk = std::make_unique<CMsgBulkProcess>(U8{0}, false);
         bulk->Add(Element(false, 0, "90 00", true));
         bulk->Add(Element(true, 0x80100008, "", true, 2));
         return bulk;
     }},
    {"bulk process empty, odd status", [] { return M<CMsgBulkProcess>(U8{7}, false); }},
    {"serial memory process", [] { return M<CMsgSerialMemoryProcess>(Result(0x36, 0, 0x82, 0x07), false); }},
    {"serial memory process with data", [] {
         return M<CMsgSerialMemoryProcess>(
             std::make_shared<CSerialMemoryDataResult>(0x30, 0, 0x81, 0x04, Hex("AA BB")), true);
     }},
    {"serial memory process without a result", [] { return M<CMsgSerialMemoryProcess>(nullptr, true); }},
    {"bulk serial process", [] {
         auto bulk = std::make_unique<CMsgBulkSerialProcess>(U8{'0'}, false);
         bulk->Add(Result(0x36, 0, 0xFF, 0x01));
         return bulk;
     }},
    {"bulk serial process extended", [] {
         auto bulk = std::make_unique<CMsgBulkSerialProcess>(U8{'5'}, true);
         bulk->Add(Result(0x31, 0x80100008, 0x83, 0x02));
         bulk->Add(std::make_shared<CSerialMemoryDataResult>(0x30, 0, 0x81, 0x03, Hex("01")));
         return bulk;
     }},
    {"bulk serial process unavailable", [] { return M<CMsgBulkSerialProcess>(U8{'6'}, true); }},
    {"reset with pps",
     [] { return M<CMsgResetCardWithPPS>(0x80100000U, 0xFF11U, 9600U, Hex("3B 00"), false); }},
    {"reset with pps extended",
     [] { return M<CMsgResetCardWithPPS>(0x88U, 3579U, 9600U, CByteArray{}, true); }},
    {"warm reset with pps extended",
     [] { return M<CMsgWarmResetWithPPS>(0U, 3579U, 9600U, Hex("3B 00"), true); }},
    {"card command simulation",
     [] { return M<CMsgCardCommandSimulation>(false, 0x80100000U, CByteArray(4, 0), false); }},
    {"reader attribute read",
     [] { return M<CMsgReaderAttribute>(U8{'0'}, 0x80100000U, true, 9600U, false); }},
    {"reader attribute set extended", [] { return M<CMsgReaderAttribute>(U8{'1'}, 0x88U, false, 0U, true); }},
    {"picc reset extended", [] { return M<CMsgPiccReset>(0U, Hex("3B 8F 80"), true); }},
    {"picc authenticate extended", [] { return M<CMsgPiccAuthenticate>(0U, Hex("01 02"), true); }},
    {"diversify keys extended", [] { return M<CMsgDiversifyKeys>(0x91U, CByteArray{}, Cipher(), true); }},
    {"antenna tuning", [] { return M<CMsgPiccAntennaTuning>(0x88U, 0U, false); }},
    {"tarn start", [] { return M<CMsgTarnStartPassThroughMode>("M", "D", CByteArray{}, 1, 0, false); }},
    {"tarn start extended", [] {
         auto tarn = std::make_unique<CMsgTarnStartPassThroughMode>("PS7_1", "APP", Hex("01 02"), 1, 4, true);
         tarn->SetStationPresent(0);
         tarn->SetKeyStationPresent(0);
         return tarn;
     }},
    {"tarn start ports", [] {
         auto tarn = std::make_unique<CMsgTarnStartPassThroughMode>("M", "D", CByteArray{}, 2, 1, false);
         tarn->SetStationExtPortPresent(1);
         tarn->SetKeyStationExtPortPresent(0);
         return tarn;
     }},
    {"terminate job extended", [] { return M<CMsgTerminateJob>("PS7_1", "APP", true); }},
    {"corvid start", [] {
         return M<CMsgCorvidStartPassThroughMode>("PS7_1", "ST", "APP", U8{2}, true, Hex("3B 02"), 0x11U,
                                                  9600U, U8{0}, Hex("AA BB"), false);
     }},
    {"corvid start extended", [] {
         auto corvid = std::make_unique<CMsgCorvidStartPassThroughMode>(
             "PS7_1", "ST", "APP", U8{4}, false, Hex("3B 02"), 3579U, 9600U, U8{1}, CByteArray{}, true);
         corvid->AddItem(0x01, Hex("C0"));
         corvid->AddItem(0x82, {});
         return corvid;
     }},
    {"corvid start extended, no items", [] {
         return M<CMsgCorvidStartPassThroughMode>("", "", "", U8{9}, true, CByteArray{}, 13560U, 106U, U8{0},
                                                  CByteArray{}, true);
     }},
    {"finish", [] { return M<CMsgPassThroughModeFinish>(U8{0xF1}, false); }},
    {"message yes", [] { return M<CMsgMessage>(U8{'Y'}, "", false); }},
    {"message stop extended", [] { return M<CMsgMessage>(U8{'S'}, "4711", true); }},
    {"resend", [] { return M<CMsgResend>(U8{0}, U8{0x91}, false); }},
    {"keep alive packet", [] { return M<CMsgKeepAlive>(true); }},
    {"keep alive wide packet", [] { return M<CMsgKeepAlive>(true); }},
    {"health check extended", [] { return M<CMsgHealthCheck>(true, true); }},
    {"health check packet", [] { return M<CMsgHealthCheck>(true, false); }},
    {"short health check packet", [] { return M<CMsgHealthCheck>(false, false); }},
    {"short health check wide packet", [] { return M<CMsgHealthCheck>(false, false); }},
    {"register device", [] { return M<CMsgRegisterDevice>("PS7", Hex("01"), true, false); }},
    {"register device no overwrite", [] { return M<CMsgRegisterDevice>("PS7", Hex("01 1A"), false, true); }},
    {"register device by name", [] { return M<CMsgRegisterDevice>("PC1", CByteArray{}, "PS7", true); }},
    {"request device name", [] { return M<CMsgRequestDeviceName>(false, U8{1}); }},
    {"request device name extended", [] { return M<CMsgRequestDeviceName>(true, U8{0xAB}); }},
    {"device name request packet", [] { return M<CMsgRequestDeviceName>(true, U8{1}); }},
    {"set device name", [] { return M<CMsgSetDeviceName>(U8{1}, "PS7", false); }},
};
// clang-format on

TEST(MessageConstruction, NamedVectors) {
    const std::vector<test::Vector>& vectors = test::LoadVectors("outgoing.vec");
    std::size_t named = 0;
    for (const test::Vector& v : vectors) {
        named += v.name.empty() ? 0 : 1;
    }
    EXPECT_EQ(named, std::size(kBuilt)) << "every named vector is built";
    for (const auto& [name, make] : kBuilt) {
        SCOPED_TRACE(name);
        const test::Vector* v = test::FindVector(vectors, name);
        ASSERT_NE(v, nullptr);
        const Message message = make();
        EXPECT_STREQ(message->ClassName(), v->outcome.c_str());
        ASSERT_TRUE(v->description);
        EXPECT_EQ(message->Describe(), *v->description);
        COutBinaryString out;
        if (v->frame != "raw") {
            EXPECT_EQ(ToHex(message->Body()), ToHex(v->Body()));
            ASSERT_TRUE(message->BuildPacket(out, v->Transaction(), kAddressKeyStation, false));
            EXPECT_EQ(ToHex(out.Bytes()), ToHex(v->Packet()));
            continue;
        }
        const CString address = v->Note("addr").value_or(kAddressKeyStation);
        ASSERT_TRUE(message->BuildPacket(out, v->Transaction(), address, v->Has("wide")));
        EXPECT_EQ(ToHex(out.Bytes()), ToHex(v->bytes));
        // Only pass-through messages carry the transaction number.
        ASSERT_TRUE(message->BuildPacket(out, 0xBEEF, address, v->Has("wide")));
        EXPECT_EQ(out.Bytes() == v->bytes, message->GetCommand() != 0x0A);
    }
}

TEST(MessageConstruction, ResponseIsEncipheredOnlyWhenAskedAndPossible) {
    const CByteArray response = Hex("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 01 02 90 00");
    const struct {
        std::uint16_t flags;
        const CCipherContext* context;
    } cases[] = {
        {0x0004, &Cipher()}, {0xFFFF, &Cipher()}, {0x0004, nullptr}, {0x0002, &Cipher()}, {0, &Cipher()}};
    for (const auto& c : cases) {
        for (const bool lengthFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << "flags " << c.flags << (lengthFirst ? ", length first" : ""));
            const CMsgProcess process(false, 0, response, lengthFirst, true, c.flags, c.context);
            EXPECT_EQ(process.GetFlags(), c.flags);
            if ((c.flags & 0x0004) != 0 && c.context == nullptr) {
                // Asked for and impossible: nothing goes out in clear.
                EXPECT_TRUE(process.EnvelopeFailed());
                EXPECT_TRUE(process.GetResponse().empty());
                continue;
            }
            EXPECT_FALSE(process.EnvelopeFailed());
            if ((c.flags & 0x0004) == 0) {
                EXPECT_EQ(process.GetResponse(), response);
                continue;
            }
            // 20 bytes of data: a 5-byte header and 7 bytes of padding; the length field counts them.
            CByteArray plain;
            ASSERT_TRUE(DecryptEnvelope(Cipher(), process.GetResponse(), plain));
            EXPECT_EQ(plain, response);
            const CByteArray body = process.Body();
            const std::size_t at = lengthFirst ? 0 : 3;
            EXPECT_EQ((body[at] << 8) | body[at + 1], 32 + (lengthFirst ? 7 : 4));
        }
    }
    const CMsgDiversifyKeys keys(0x91, Hex("01 02 03"), Cipher(), false);
    CByteArray plain;
    ASSERT_TRUE(DecryptEnvelope(Cipher(), keys.GetData(), plain));
    EXPECT_EQ(plain, Hex("01 02 03"));
}

TEST(MessageConstruction, FieldsLongerThanTheirLengthAreCut) {
    const CString longText(300, 'x');
    const CByteArray body = CMsgMessage(U8{'O'}, longText, true).Body();
    ASSERT_EQ(body.size(), 2U + 255U);
    EXPECT_EQ(body[1], 0xFF);
    EXPECT_EQ(CMsgSetDeviceName(1, longText, true).Body().size(), 2U + 255U);
    EXPECT_EQ(CMsgRegisterDevice(longText, CByteArray(300, 1), longText, true).Body().size(), 1U + 3 * 256U);

    // The Process length counts the response and the fixed fields, so the response gives way.
    const CByteArray process = CMsgProcess(false, 0, CByteArray(70000, 0x55), true, true).Body();
    EXPECT_EQ(process.size(), 2U + 65535U);
    EXPECT_EQ(process[0] << 8 | process[1], 65535);
    // An enciphered response is cut before enciphering, so that its envelope still fits.
    const CMsgProcess enciphered(false, 0, CByteArray(70000, 0x55), false, true, 0x0004, &Cipher());
    CByteArray plain;
    ASSERT_TRUE(DecryptEnvelope(Cipher(), enciphered.GetResponse(), plain));
    EXPECT_EQ(plain.size(), 65535U - 4U - 13U);
    EXPECT_LE(enciphered.GetResponse().size(), 65535U - 4U);

    EXPECT_EQ(CMsgWarmResetWithPPS(0, 3579, 9600, CByteArray(70000, 0x3B), true).GetAtr().size(),
              65535U - 14U);
    CMsgCorvidStartPassThroughMode corvid("M", "S", "A", 0, true, {}, 0, 0, 0, CByteArray(70000, 1), true);
    EXPECT_EQ(corvid.GetData().size(), 65534U);
    corvid.AddItem(0x10, CByteArray(70000, 2));
    EXPECT_EQ(corvid.GetItems().front()->value.size(), 65535U);
    const CMsgTarnStartPassThroughMode tarn("M", "D", CByteArray(70000, 3), 255, 255, true);
    EXPECT_EQ(tarn.GetFirData().size(), 65535U - 5U - 510U - 510U);
}

TEST(MessageConstruction, ListsAndStatusesAsTheExecutorsUseThem) {
    CMsgBulkProcess bulk(1, false);
    EXPECT_FALSE(bulk.Add(nullptr));
    const auto element = Element(false, 0, "", true);
    for (int i = 0; i < 65535; ++i) {
        ASSERT_TRUE(bulk.Add(element));
    }
    EXPECT_FALSE(bulk.Add(element)) << "the 16-bit count is full";
    const CByteArray body = bulk.Body();
    EXPECT_EQ(ToHex(CByteArray(body.begin(), body.begin() + 3)), "01 FF FF");

    CMsgBulkSerialProcess serial('6', true);
    EXPECT_FALSE(serial.Add(nullptr));
    serial.SetStatus('0');
    EXPECT_EQ(ToHex(serial.Body()), "30 00 00");

    CMsgTarnStartPassThroughMode tarn("PS7_1", "APP", {}, 1, 4, true);
    EXPECT_TRUE(tarn.SetKeyStationPresent(3) && tarn.SetKeyStationPresent(3, false) &&
                tarn.SetKeyStationPresent(2));
    EXPECT_FALSE(tarn.SetStationPresent(1) || tarn.SetKeyStationExtPortPresent(4)) << "no such station";
    EXPECT_EQ(tarn.GetKeyStationStatus(), "0010");

    // Narrow return codes keep only the byte that travels; rc4 is never narrowed.
    EXPECT_EQ(CMsgProcess(false, 0x80100008, {}, false, false).GetReturnCode(), 0x08U);
    EXPECT_TRUE(CMsgProcess(true, 0, {}, false, true).IsTimedOut() &&
                !CMsgProcess(false, 0, {}, false, true).IsTimedOut());
    EXPECT_EQ(CMsgQueryCard(0x103, false).GetResult(), 0x03U);
    EXPECT_EQ(CMsgSetCardType(0x80100008, false).GetReturnCode(), 0x80100008U);
}

TEST(MessageConstruction, PacketsThatDoNotFitTheirLengthFieldsAreRefused) {
    COutBinaryString out;
    out.AppendByte(0x42);
    const CMsgSetDeviceName name(1, "PS7", false);
    EXPECT_FALSE(name.BuildPacket(out, 0, std::string(256, 'A'), false));
    EXPECT_TRUE(out.Bytes().empty());
    EXPECT_TRUE(name.BuildPacket(out, 0, std::string(255, 'A'), false));

    CMsgBulkProcess big(0, true);
    for (int i = 0; i < 8000; ++i) {
        big.Add(Element(false, 0, "", true));  // 9 bytes each
    }
    EXPECT_FALSE(big.BuildPacket(out, 0, kAddressController, false));
    ASSERT_TRUE(big.BuildPacket(out, 0, kAddressController, true));
    EXPECT_EQ(out.Size(), 1U + 1 + 7 + 1 + 4 + (3 + 3 + 72000) + 1);
}

}  // namespace
}  // namespace tessaly
