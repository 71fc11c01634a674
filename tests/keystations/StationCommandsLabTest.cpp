// Every row of the station's command handling, over real TCP to a station whose reader holds a
// card of the virtual card lab: the exact answer bytes, what the card received, and the state the
// station keeps between commands (transmission settings, resend count, card state).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "protocol/cipher/CipherEnvelope.h"
#include "common/Format.h"
#include "keystations/KeyStation.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/keystations/HostPeer.h"
#include "tests/keystations/StationRecorder.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {

namespace {

using lab::CLabEnvironment;
using test::HostRequest;
using test::StationReply;
using test::ToHex;

std::shared_ptr<lab::CIsoCard> g_t0Card;     // "Lab Contact 00 00"
std::shared_ptr<lab::CIsoCard> g_t1Card;     // "Lab Contact 00 01"
std::shared_ptr<lab::CIsoCard> g_spareCard;  // "Lab Spare 00 00": taken out and put back

}  // namespace

namespace lab {
std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Contact", "Lab Spare"},
                                             [](CLab& lab) {
                                                 g_t0Card = MakeContactCard(Transport::T0);
                                                 g_t1Card = MakeContactCard(Transport::T1);
                                                 g_spareCard = MakeContactCard(Transport::T1);
                                                 lab.InsertAll({{lab.ReaderName(0, 0), g_t0Card},
                                                                {lab.ReaderName(0, 1), g_t1Card},
                                                                {lab.ReaderName(1, 0), g_spareCard}});
                                             });
}
}  // namespace lab

namespace {

const char* const kT1Atr = "00 05 3B 80 80 01 01";

// A station on one of the lab's readers with a host connected to it.
class StationCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        for (const auto& card : {g_t0Card, g_t1Card, g_spareCard}) {
            card->ClearAnswers();
        }
        StartOn(CLabEnvironment::Lab()->ReaderName(0, 1), g_t1Card);
    }

    void StartOn(const std::string& reader, std::shared_ptr<lab::CIsoCard> card) {
        host.reset();
        station.reset();
        this->card = std::move(card);
        port = test::FreePort();
        station = std::make_unique<CKeyStation>(reader, port);
        station->SetObserver(&recorder);
        ASSERT_TRUE(station->Start()) << station->GetStatusName();
        host = std::make_unique<test::CHostPeer>(port);
        ASSERT_TRUE(host->IsConnected());
        this->card->ClearRecord();
    }

    void TearDown() override {
        host.reset();
        station.reset();
    }

    test::StationAnswer Ask(std::uint8_t sub, std::uint16_t transaction, const std::string& body) {
        return host->Exchange(HostRequest(sub, transaction, body));
    }
    // Sends the request and checks the whole answer packet.
    void Expect(std::uint8_t sub, const std::string& body, std::uint8_t replySub,
                const std::string& replyBody, const char* replyClass) {
        const test::StationAnswer answer = Ask(sub, 0x4711, body);
        EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(replySub, 0x4711, replyBody)))
            << "request " << std::hex << int(sub) << " " << body;
        ASSERT_NE(answer.message, nullptr) << answer.error;
        EXPECT_STREQ(answer.message->ClassName(), replyClass);
        EXPECT_EQ(answer.transaction, 0x4711U);
    }

    test::CStationRecorder recorder;
    std::shared_ptr<lab::CIsoCard> card;
    std::uint16_t port = 0;
    std::unique_ptr<CKeyStation> station;
    std::unique_ptr<test::CHostPeer> host;
};

struct Row {
    const char* what;
    std::uint8_t sub;
    const char* body;
    std::uint8_t replySub;
    const char* replyBody;
    const char* replyClass;
};

TEST_F(StationCommandTest, FixedAnswersOfACardStation) {
    const Row rows[] = {
        {"Set Voltage", 0x02, "58 00 04 00 00 13 88", 0x02, "00 00 00 00", "CMsgSetVoltage"},
        {"Set Baud Rate", 0x03, "58 00 01 03", 0x03, "00 00 00 00 00 00 00 00 00", "CMsgSetBaudRate"},
        {"Issue PPS", 0x03, "58 00 05 00 10 11 00 00", 0x03, "00 00 00 00 11 00 00 25 80", "CMsgSetBaudRate"},
        {"Set Frequency", 0x04, "58 00 04 00 00 0D FB", 0x04, "00 00 00 00", "CMsgSetFrequency"},
        {"Set NAD", 0x08, "58 05", 0x08, "", "CMsgSetNAD"},
        {"Keep Alive", 0x13, "", 0x13, "", "CMsgKeepAlive"},
        {"Set Card Type T=0/T=1", 0x17, "02", 0x17, "00 00 00 00", "CMsgSetCardType"},
        {"Set Card Type MIFARE", 0x17, "18", 0x17, "00 00 00 88", "CMsgSetCardType"},
        {"Serial Flush", 0x22, "80", 0x22, "00 00 00 88", "CMsgSerialFlush"},
        {"PICC Reset", 0x30, "43 00 00", 0x30, "00 00 00 88 00 00", "CMsgPiccReset"},
        {"PICC Issue PPS", 0x31, "43 01", 0x31, "00 00 00 88", "CMsgPiccIssuePPS"},
        {"PICC Antenna Tuning", 0x32, "43", 0x32, "00 00 00 88 00 00 00 00", "CMsgPiccAntennaTuning"},
        {"Set Keys", 0x33, "43 00 02 AA BB", 0x33, "00 00 00 88", "CMsgSetKeys"},
        {"PICC Authenticate", 0x34, "43 01 00 00", 0x34, "00 00 00 88 00 00", "CMsgPiccAuthenticate"},
        {"PICC Power", 0x35, "43 01 00 00 00 00", 0x35, "00 00 00 88", "CMsgPiccPower"},
        {"Serial Memory Process", 0x0D, "FF 18 00 01 11", 0x0D, "00 07 36 00 00 00 00 FF 18",
         "CMsgSerialMemoryProcess"},
        {"Serial Memory Process, no operation", 0x0D, "FF 02 00 00", 0x0D, "00 07 36 00 00 00 00 FF 77",
         "CMsgSerialMemoryProcess"},
        {"Bulk Serial Process", 0x0E, "FF 00 00", 0x0E, "36 00 00", "CMsgBulkSerialProcess"},
        {"Card Command Simulation", 0x15, "58 00 00 00 00 00 00 04 00 02 AA BB", 0x15,
         "30 00 08 00 00 00 00 00 00 00 00", "CMsgCardCommandSimulation"},
        {"Card Command Simulation, serial port B", 0x15, "89 00 00 00 00 00 00 01 00 00", 0x15,
         "30 00 05 00 00 00 00 00", "CMsgCardCommandSimulation"},
        {"Card Command Simulation, PICC", 0x15, "43 00 00 00 00 00 00 04 00 00", 0x15, "30 00 04 00 00 00 88",
         "CMsgCardCommandSimulation"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Expect(row.sub, row.body, row.replySub, row.replyBody, row.replyClass);
    }
    EXPECT_TRUE(card->Commands().empty());
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Waiting));
    EXPECT_EQ(station->GetTransactionCount(), std::size(rows));
}

TEST_F(StationCommandTest, DiversifyKeysAnswersTheEnvelopeOfNothing) {
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(CCipherContext(DevelopmentStationKey()), {}, envelope));
    ASSERT_EQ(envelope.size(), 8U);
    Expect(0x36, "43 00 02 01 02", 0x36, "00 00 00 88 00 08 " + ToHex(envelope), "CMsgDiversifyKeys");
}

TEST_F(StationCommandTest, CommandsWithoutAnAnswerOfTheirOwnAreAnsweredAsUnknown) {
    const Row rows[] = {
        {"Serial Port Configuration", 0x09, "80 00 00 03 00 00", 0xFF, "F0", "CMsgPassThroughModeFinish"},
        {"Hardware Version", 0x0A, "", 0xFF, "F0", "CMsgPassThroughModeFinish"},
        {"Message", 0x20, "00 01 41 00 4E", 0xFF, "F0", "CMsgPassThroughModeFinish"},
        {"Select Station", 0x21, "01", 0xFF, "F0", "CMsgPassThroughModeFinish"},
        {"Process to the PICC", 0x05, "43 1E 34 00 00 00 05 00 B0 00 00 10", 0xFF, "F0",
         "CMsgPassThroughModeFinish"},
        {"Process to the key station", 0x05, "57 1E 32 00 00 00 05 00 B0 00 00 10", 0xFF, "F0",
         "CMsgPassThroughModeFinish"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Expect(row.sub, row.body, row.replySub, row.replyBody, row.replyClass);
    }
    // End of pass-through mode (transaction 0) and completion (non-zero): no answer of their own.
    for (std::uint16_t transaction : {0, 9}) {
        const test::StationAnswer answer = Ask(0xFF, transaction, "00");
        EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(0xFF, transaction, "F0"))) << answer.error;
    }
    // Commands outside pass-through other than the health check: a key request.
    const test::StationAnswer key = host->Exchange(test::ShortPacket(0x01, test::Hex("01 00 01 41")));
    EXPECT_EQ(ToHex(key.bytes), ToHex(StationReply(0xFF, 0, "F0")));
    EXPECT_TRUE(card->Commands().empty());
}

TEST_F(StationCommandTest, HealthCheckInEitherFormGetsTheLongForm) {
    const CByteArray expected = test::Hex("00 05 5B 4B 45 59 5D 99 00 00 3F");
    for (const CByteArray& request : {test::ShortPacket(0x99, {}), test::LongPacket(0x99, {})}) {
        const test::StationAnswer answer = host->Exchange(request);
        EXPECT_EQ(ToHex(answer.bytes), ToHex(expected));
        ASSERT_NE(answer.message, nullptr);
        EXPECT_STREQ(answer.message->ClassName(), "CMsgHealthCheck");
    }
}

TEST_F(StationCommandTest, ProcessExchangesTheApduAndAnswersIndicatorFirst) {
    card->AnswerPrefix(test::Hex("80 CA 9F 7F"), test::Hex("01 02 03 90 00"));
    Expect(0x05, "58 1E 32 00 00 00 05 80 CA 9F 7F 03", 0x05, "30 00 00 00 09 00 00 00 00 01 02 03 90 00",
           "CMsgProcess");
    EXPECT_EQ(card->Commands(), (std::vector<CByteArray>{test::Hex("80 CA 9F 7F 03")}));
    // A card error is an answer like any other: return code 0, the status word in the response.
    card->AnswerNext(test::Hex("6A 82"));
    Expect(0x05, "58 1E 34 00 00 00 08 00 A4 04 00 02 3F 00 00", 0x05, "30 00 00 00 06 00 00 00 00 6A 82",
           "CMsgProcess");
}

TEST_F(StationCommandTest, ProcessOnADisconnectedReaderCarriesTheReadersResult) {
    Expect(0x06, "58", 0x06, "00 00 00 00", "CMsgEjectCard");
    // Transmit on a reader without a card handle: the PC/SC "invalid handle" result.
    Expect(0x05, "58 1E 32 00 00 00 05 80 CA 9F 7F 03", 0x05, "30 00 00 00 04 80 10 00 03", "CMsgProcess");
    EXPECT_TRUE(card->Commands().empty());
}

TEST_F(StationCommandTest, ResetsReconnectAndReportTheAtr) {
    const std::string atr = kT1Atr;
    Expect(0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 " + atr, "CMsgResetCard");
    Expect(0x0B, "58", 0x0B, "00 00 00 00 " + atr, "CMsgWarmReset");
    // The with-PPS forms report 3579 kHz and 9600 baud whatever was asked.
    Expect(0x0F, "58 00 00 13 88 00 00 0F A0", 0x0F, "00 13 00 00 00 00 00 00 0D FB 00 00 25 80 " + atr,
           "CMsgResetCardWithPPS");
    Expect(0x12, "58 00 00 0F A0", 0x12, "00 13 00 00 00 00 00 00 0D FB 00 00 25 80 " + atr,
           "CMsgWarmResetWithPPS");
    EXPECT_TRUE(card->Commands().empty());
    EXPECT_GE(card->Count(lab::CardEvent::Kind::PowerOn) + card->Count(lab::CardEvent::Kind::Reset), 2U);
}

TEST_F(StationCommandTest, ColdResetWaitsHalfASecondBeforeConnecting) {
    const auto start = std::chrono::steady_clock::now();
    (void)Ask(0x01, 1, "58 00 04 00 00 13 88");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(StationCommandTest, ReaderAttributes) {
    const Row rows[] = {
        {"read 0", 0x16, "58 00 00", 0x16, "09 30 00 00 00 00 00 00 25 80", "CMsgReaderAttribute"},
        {"read 1", 0x16, "58 01 00", 0x16, "09 30 00 00 00 00 00 00 25 80", "CMsgReaderAttribute"},
        {"read 2", 0x16, "58 02 00", 0x16, "09 30 00 00 00 00 00 00 25 80", "CMsgReaderAttribute"},
        {"read 3", 0x16, "58 03 00", 0x16, "09 30 00 00 00 00 00 00 00 00", "CMsgReaderAttribute"},
        {"read 4", 0x16, "58 04 00", 0x16, "09 30 00 00 00 00 00 00 00 16", "CMsgReaderAttribute"},
        {"read 5", 0x16, "58 05 00", 0x16, "09 30 00 00 00 00 00 00 00 20", "CMsgReaderAttribute"},
        {"read 6", 0x16, "58 06 00", 0x16, "09 30 00 00 00 00 00 00 25 80", "CMsgReaderAttribute"},
        {"set 3, no effect", 0x16, "58 03 01 00 00 00 05", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute"},
        {"read 3 again", 0x16, "58 03 00", 0x16, "09 30 00 00 00 00 00 00 00 00", "CMsgReaderAttribute"},
        {"read 7: APDU level", 0x16, "58 07 00", 0x16, "09 30 00 00 00 00 00 00 00 00",
         "CMsgReaderAttribute"},
        {"set 7 to 1", 0x16, "58 07 01 00 00 00 01", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute"},
        {"read 7: not APDU level", 0x16, "58 07 00", 0x16, "09 30 00 00 00 00 00 00 00 01",
         "CMsgReaderAttribute"},
        {"set 7 to 0", 0x16, "58 07 01 00 00 00 00", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute"},
        {"read 7", 0x16, "58 07 00", 0x16, "09 30 00 00 00 00 00 00 00 00", "CMsgReaderAttribute"},
        {"read 8", 0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 00 00", "CMsgReaderAttribute"},
        {"set 8 to 0x80", 0x16, "58 08 01 00 00 00 80", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute"},
        {"set 8 to 0x1234", 0x16, "58 08 01 00 00 12 34", 0x16, "05 37 00 00 00 00", "CMsgReaderAttribute"},
        {"read 8: unchanged", 0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 00 80", "CMsgReaderAttribute"},
        {"set 8 to 0xFFFF", 0x16, "58 08 01 00 00 FF FF", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute"},
        {"read 8: own class", 0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 FF FF", "CMsgReaderAttribute"},
        {"read 9", 0x16, "58 09 00", 0x16, "09 37 00 00 00 00 00 00 00 00", "CMsgReaderAttribute"},
        {"set 9", 0x16, "58 09 01 00 00 00 01", 0x16, "05 37 00 00 00 00", "CMsgReaderAttribute"},
        {"read 200, PICC destination", 0x16, "43 C8 00", 0x16, "09 37 00 00 00 00 00 00 00 00",
         "CMsgReaderAttribute"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Expect(row.sub, row.body, row.replySub, row.replyBody, row.replyClass);
    }
    // A reset puts attributes 7 and 8 back.
    (void)Ask(0x0B, 1, "58");
    Expect(0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 00 00", "CMsgReaderAttribute");
}

TEST_F(StationCommandTest, Attribute8ChangesTheGetResponseClassTheCardSees) {
    StartOn(CLabEnvironment::Lab()->ReaderName(0, 0), g_t0Card);
    const char* const process = "58 1E 32 00 00 00 05 84 CA 00 01 04";
    const auto getResponse = [&](const char* expected) {
        card->ClearRecord();
        card->AnswerNext(test::Hex("61 04"));
        card->AnswerNext(test::Hex("01 02 03 04 90 00"));
        const test::StationAnswer answer = Ask(0x05, 2, process);
        EXPECT_EQ(ToHex(answer.bytes),
                  ToHex(StationReply(0x05, 2, "30 00 00 00 0A 00 00 00 00 01 02 03 04 90 00")));
        EXPECT_EQ(card->Commands(),
                  (std::vector<CByteArray>{test::Hex("84 CA 00 01 04"), test::Hex(expected)}));
    };
    getResponse("00 C0 00 00 04");
    Expect(0x16, "58 08 01 00 00 00 80", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute");
    getResponse("80 C0 00 00 04");
    Expect(0x16, "58 08 01 00 00 FF FF", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute");
    getResponse("84 C0 00 00 04");
    // Attribute 7 off: the 61 04 comes back as it is, no GET RESPONSE.
    Expect(0x16, "58 07 01 00 00 00 01", 0x16, "05 30 00 00 00 00", "CMsgReaderAttribute");
    card->ClearRecord();
    card->AnswerNext(test::Hex("61 04"));
    EXPECT_EQ(ToHex(Ask(0x05, 3, process).bytes),
              ToHex(StationReply(0x05, 3, "30 00 00 00 06 00 00 00 00 61 04")));
    EXPECT_EQ(card->Commands().size(), 1U);
    card->ClearAnswers();
    // The next reset brings both settings back.
    const test::StationAnswer reset = Ask(0x01, 4, "58 00 04 00 00 13 88");
    EXPECT_EQ(ToHex(reset.bytes), ToHex(StationReply(0x01, 4, "00 00 00 00 00 04 3B 02 14 50")));
    getResponse("00 C0 00 00 04");
}

TEST_F(StationCommandTest, QueryFollowsResetEjectAndRemoval) {
    StartOn(CLabEnvironment::Lab()->ReaderName(1, 0), g_spareCard);
    Expect(0x07, "58", 0x07, "00 00 00 03", "CMsgQueryCard");
    Expect(0x06, "58", 0x06, "00 00 00 00", "CMsgEjectCard");
    const test::StationAnswer ejected = Ask(0x07, 1, "58");
    ASSERT_NE(ejected.message, nullptr);
    EXPECT_EQ(ejected.message->Describe(),
              (CStringArray{"Command", "Query Card Acknowledge", "Result", "Card Completed (Disabled)"}));
    Expect(0x07, "58", 0x07, "00 00 00 04", "CMsgQueryCard");
    Expect(0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 " + std::string(kT1Atr), "CMsgResetCard");
    Expect(0x07, "58", 0x07, "00 00 00 03", "CMsgQueryCard");

    CLabEnvironment::Lab()->Remove(CLabEnvironment::Lab()->ReaderName(1, 0));
    // The presence monitor needs its next status change.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Expect(0x07, "58", 0x07, "00 00 00 01", "CMsgQueryCard");
    // A reset on the empty reader: the PC/SC result of the failed connect, no ATR.
    Expect(0x01, "58 00 04 00 00 13 88", 0x01, "80 10 00 0C 00 00", "CMsgResetCard");
    Expect(0x0B, "58", 0x0B, "80 10 00 03 00 00", "CMsgWarmReset");

    CLabEnvironment::Lab()->Insert(CLabEnvironment::Lab()->ReaderName(1, 0), g_spareCard);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Expect(0x07, "58", 0x07, "00 00 00 02", "CMsgQueryCard");
    Expect(0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 " + std::string(kT1Atr), "CMsgResetCard");
}

// An item of a Bulk Process (extended layout): a case 2 Process to the contact station, the check
// mode and the expected result.
std::string BulkItem(const std::string& apdu, int mode, const std::string& expected) {
    const CByteArray command = test::Hex(apdu);
    const CByteArray result = test::Hex(expected);
    const std::size_t length = 7 + command.size() + 1 + (mode == 0 ? 0 : 1 + result.size());
    std::string item = FormatText("00 00 00 %02zX 58 1E 32 00 00 00 %02zX ", length, command.size()) + apdu +
                       FormatText(" %02X", mode);
    if (mode != 0) {
        item += FormatText(" %02zX ", result.size()) + expected;
    }
    return item;
}

TEST_F(StationCommandTest, BulkStopsAtTheFirstFailedCheck) {
    card->AnswerPrefix(test::Hex("80 CA 00 01"), test::Hex("01 90 00"));
    card->AnswerPrefix(test::Hex("80 CA 00 02"), test::Hex("6A 82"));
    card->AnswerPrefix(test::Hex("80 CA 00 03"), test::Hex("03 90 00"));
    const std::string body = "00 03 " + BulkItem("80 CA 00 01 01", 2, "90 00") + " " +
                             BulkItem("80 CA 00 02 01", 2, "90 00") + " " + BulkItem("80 CA 00 03 01", 0, "");
    Expect(0x0C, body, 0x0C, "01 00 02 00 0A 30 00 00 00 00 00 00 01 90 00 00 09 30 00 00 00 00 00 00 6A 82",
           "CMsgBulkProcess");
    EXPECT_EQ(card->Commands(),
              (std::vector<CByteArray>{test::Hex("80 CA 00 01 01"), test::Hex("80 CA 00 02 01")}));
}

TEST_F(StationCommandTest, BulkChecks) {
    card->AnswerPrefix(test::Hex("80 CA 00 01"), test::Hex("01 90 00"));
    card->AnswerPrefix(test::Hex("80 CA 00 02"), test::Hex("02 90 00"));
    const std::string ok1 = "00 0A 30 00 00 00 00 00 00 01 90 00";
    const std::string ok2 = "00 0A 30 00 00 00 00 00 00 02 90 00";
    struct Case {
        const char* what;
        std::string body;
        std::string reply;
    };
    const Case cases[] = {
        {"all unchecked",
         "00 02 " + BulkItem("80 CA 00 01 01", 0, "") + " " + BulkItem("80 CA 00 02 01", 0, ""),
         "00 00 02 " + ok1 + " " + ok2},
        {"whole result equal",
         "00 02 " + BulkItem("80 CA 00 01 01", 1, "01 90 00") + " " +
             BulkItem("80 CA 00 02 01", 1, "02 90 00"),
         "00 00 02 " + ok1 + " " + ok2},
        {"whole result longer than expected",
         "00 02 " + BulkItem("80 CA 00 01 01", 1, "01 90") + " " + BulkItem("80 CA 00 02 01", 0, ""),
         "01 00 01 " + ok1},
        {"status word of a short expectation", "00 01 " + BulkItem("80 CA 00 01 01", 2, "90"),
         "01 00 01 " + ok1},
        {"unknown check mode adds nothing",
         "00 02 " + BulkItem("80 CA 00 01 01", 3, "00") + " " + BulkItem("80 CA 00 02 01", 2, "90 00 AA"),
         "00 00 01 " + ok2},
        {"no items", "00 00", "00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Expect(0x0C, c.body, 0x0C, c.reply, "CMsgBulkProcess");
    }
}

TEST_F(StationCommandTest, BulkItemThatFailsOnTheReaderCarriesItsResult) {
    Expect(0x06, "58", 0x06, "00 00 00 00", "CMsgEjectCard");
    Expect(0x0C, "00 02 " + BulkItem("80 CA 00 01 01", 0, "") + " " + BulkItem("80 CA 00 02 01", 0, ""), 0x0C,
           "01 00 01 00 07 30 00 00 80 10 00 03", "CMsgBulkProcess");
}

TEST_F(StationCommandTest, ResendCountingWithKeepAliveAndHealthCheckBetween) {
    const auto resend = [&](const char* reply) {
        const test::StationAnswer answer = Ask(0x10, 7, "05 91");
        EXPECT_EQ(ToHex(answer.bytes),
                  ToHex(StationReply(std::string(reply) == "01" ? 0xFF : 0x10, 7, reply)));
    };
    resend("05 91");
    resend("05 91");
    // A health check does not break the run of resends.
    EXPECT_STREQ(host->Exchange(test::ShortPacket(0x99, {})).message->ClassName(), "CMsgHealthCheck");
    resend("05 91");
    resend("01");  // the fourth: Resend exceeded Max(3)
    // A keep-alive does.
    Expect(0x13, "", 0x13, "", "CMsgKeepAlive");
    resend("05 91");
    resend("05 91");
    resend("05 91");
    resend("01");
    // The fifth stops the station: it is still answered, then the connection and the port close.
    const test::StationAnswer fifth = Ask(0x10, 7, "05 91");
    EXPECT_EQ(ToHex(fifth.bytes), ToHex(StationReply(0xFF, 7, "F0")));
    EXPECT_TRUE(host->WaitForClose(std::chrono::seconds(3)));
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Stopped));
    EXPECT_FALSE(test::CHostPeer(port, std::chrono::milliseconds(0)).IsConnected());
    EXPECT_TRUE(station->Stop());
}

TEST_F(StationCommandTest, ResendCountSurvivesAReconnect) {
    (void)Ask(0x10, 1, "00 01");
    (void)Ask(0x10, 1, "00 01");
    host = std::make_unique<test::CHostPeer>(port);
    EXPECT_EQ(ToHex(Ask(0x10, 1, "00 01").bytes), ToHex(StationReply(0x10, 1, "00 01")));
    EXPECT_EQ(ToHex(Ask(0x10, 1, "00 01").bytes), ToHex(StationReply(0xFF, 1, "01")));
}

TEST_F(StationCommandTest, CardCommandSimulationWaitsTheDelay) {
    const auto start = std::chrono::steady_clock::now();
    Expect(0x15, "58 00 00 00 00 C8 00 04 00 00", 0x15, "30 00 08 00 00 00 00 00 00 00 00",
           "CMsgCardCommandSimulation");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
}

TEST_F(StationCommandTest, AnAnswerTooLongForTheShortFrameTravelsInTheWideFrame) {
    // 65535 zero bytes do not fit the 16-bit payload length once the sub-header is added.
    const test::StationAnswer answer = Ask(0x15, 5, "58 00 00 00 00 00 FF FF 00 00");
    ASSERT_FALSE(answer.bytes.empty()) << answer.error;
    EXPECT_EQ(answer.bytes[0], 0x02);
    const auto* simulation = answer.As<CMsgCardCommandSimulation>();
    ASSERT_NE(simulation, nullptr) << answer.error;
    EXPECT_EQ(simulation->GetData().size(), 65531U);
    EXPECT_EQ(answer.transaction, 5U);
}

}  // namespace
}  // namespace tessaly
