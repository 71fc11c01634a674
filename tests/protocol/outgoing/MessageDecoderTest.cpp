#include <gtest/gtest.h>

#include <string>

#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/protocol/outgoing/MessageCases.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

std::unique_ptr<CObjCommMessage> Decode(const CByteArray& packet, bool extended,
                                        std::uint32_t* transaction = nullptr) {
    test::RecordSeed("fuzz_message_decoder", packet);
    CInBinaryString in(packet);
    std::uint32_t number = 0xFFFFFFFF;
    auto message = CreateMessageFromPacket(in, number, extended);
    if (transaction != nullptr) {
        *transaction = number;
    }
    return message;
}

// The name of the exception the decoder throws for `packet`, or "" when it decodes.
std::string Rejection(const CByteArray& packet, bool extended = false) {
    try {
        Decode(packet, extended);
        return "";
    } catch (const CPassThruFormatError& e) {
        return e.Name();
    }
}

CByteArray Build(const CObjCommMessage& message, std::uint16_t transaction, bool wide) {
    COutBinaryString out;
    EXPECT_TRUE(message.BuildPacket(out, transaction, kAddressKeyStation, wide));
    return out.Bytes();
}

TEST(MessageDecoder, EveryMessageReadsBackAsItself) {
    for (const test::MessageCase& c : test::MessageCases()) {
        for (const bool wide : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (wide ? ", wide frame" : ""));
            auto sent = c.make();
            std::uint32_t transaction = 0;
            auto read = Decode(Build(*sent, 0x0102, wide), c.extended, &transaction);
            ASSERT_NE(read, nullptr);
            EXPECT_STREQ(read->ClassName(), sent->ClassName());
            EXPECT_EQ(read->GetCommand(), sent->GetCommand());
            EXPECT_EQ(read->GetSubCommand(), sent->GetSubCommand());
            EXPECT_EQ(transaction, sent->GetCommand() == 0x0A ? 0x0102U : 0U);
            EXPECT_EQ(read->IsExtended(), c.extended);
            EXPECT_TRUE(read->UsesLongForm());
            EXPECT_EQ(read->Describe(), c.description);
            EXPECT_EQ(ToHex(read->Body()), ToHex(Hex(c.body)));
        }
    }
}

TEST(MessageDecoder, HealthCheckKeepsItsForm) {
    auto shortForm = Decode(Hex("99 00 00 99"), false);
    EXPECT_STREQ(shortForm->ClassName(), "CMsgHealthCheck");
    EXPECT_FALSE(shortForm->UsesLongForm());
    auto longForm = Decode(test::LongPacket(0x99, {}), true);
    EXPECT_TRUE(longForm->UsesLongForm());
}

TEST(MessageDecoder, SubCodeZeroIsDecidedByTheBody) {
    // A card start whose station is named like the literals of the other two is still a card start.
    for (const char* station : {"TERMINATE", "CONTROLLER"}) {
        for (const bool extended : {false, true}) {
            SCOPED_TRACE(std::string(station) + (extended ? ", extended" : ""));
            const CMsgCorvidStartPassThroughMode corvid("M", station, "A", 2, true, Hex("3B 00"), 0x11, 9600,
                                                        0, Hex("01"), extended);
            auto read = Decode(Build(corvid, 0, false), extended);
            EXPECT_STREQ(read->ClassName(), "CMsgCorvidStartPassThroughMode");
            const auto& start = dynamic_cast<const CMsgCorvidStartPassThroughMode&>(*read);
            EXPECT_EQ(start.GetStationName(), station);
            EXPECT_EQ(start.GetData(), Hex("01"));
        }
    }

    const CMsgTarnStartPassThroughMode tarn("PS7_1", "APP", Hex("01"), 1, 4, true);
    auto read = Decode(Build(tarn, 0, false), false);
    ASSERT_STREQ(read->ClassName(), "CMsgTarnStartPassThroughMode");
    const auto& start = dynamic_cast<const CMsgTarnStartPassThroughMode&>(*read);
    EXPECT_EQ(start.GetKeyStationStatus(), "0000");
    EXPECT_EQ(start.GetFirData(), Hex("01"));

    // A terminate-job body with a foreign tail is no terminate-job message (nor anything else).
    const CByteArray badTail = Hex("00 01 4D 00 09 54 45 52 4D 49 4E 41 54 45 00 01 41 00 00 00 01 01");
    EXPECT_EQ(Rejection(test::PassThroughPacket(0x00, 0, badTail)), "CPassThruParseError");
    // Too short for the two texts every start message begins with.
    EXPECT_EQ(Rejection(test::PassThroughPacket(0x00, 0, Hex("00 01 4D"))), "CPassThruParseError");
}

TEST(MessageDecoder, ProcessLayoutIsDecidedByItsLength) {
    struct Case {
        const char* body;
        bool extended;
        bool lengthFirst;
        const char* response;
    };
    const Case cases[] = {
        {"30 00 03 90 61 10", false, false, "61 10"},
        {"00 04 30 90 61 10", false, true, "61 10"},
        {"31 00 00 00 04 00 00 00 86", true, false, ""},
        {"00 07 31 00 00 00 00 00 86", true, true, ""},
        {"30 00 01 90", false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        auto read = Decode(test::PassThroughPacket(0x05, 1, Hex(c.body)), c.extended);
        const auto& process = dynamic_cast<const CMsgProcess&>(*read);
        EXPECT_EQ(process.IsLengthFirst(), c.lengthFirst);
        EXPECT_EQ(ToHex(process.GetResponse()), ToHex(Hex(c.response)));
        EXPECT_EQ(ToHex(process.Body()), ToHex(Hex(c.body)));
    }
}

TEST(MessageDecoder, DriverBulkWithExtendedElements) {
    // The driver builds the bulk answer with extended false but its elements with extended true; read
    // with extended set, the answer comes back whole.
    CMsgBulkProcess bulk(kBulkSuccess, false);
    bulk.Add(std::make_shared<CMsgProcess>(false, 0, Hex("90 00"), true, true));
    bulk.Add(std::make_shared<CMsgProcess>(true, 0x80100008, CByteArray{}, true, true, 0x0002));
    auto read = Decode(Build(bulk, 9, false), true);
    EXPECT_EQ(read->Describe(), bulk.Describe());
    EXPECT_EQ(read->Body(), bulk.Body());
    const auto& elements = dynamic_cast<const CMsgBulkProcess&>(*read).GetElements();
    ASSERT_EQ(elements.size(), 2U);
    EXPECT_EQ(elements[1]->GetReturnCode(), 0x80100008U);
    EXPECT_EQ(elements[1]->GetFlags(), 0x0002);
}

struct RejectCase {
    const char* name;
    CByteArray packet;
    bool extended;
    const char* expected;
};

TEST(MessageDecoder, Rejections) {
    CByteArray badChecksum = test::PassThroughPacket(0x13, 5, {});
    badChecksum.back() ^= 0x01;
    CByteArray badChecksumAndFrame = test::ShortPacket(0x04, {});
    badChecksumAndFrame.back() ^= 0x01;
    const RejectCase cases[] = {
        {"bad checksum", badChecksum, false, "CPassThruChecksumError"},
        {"foreign frame type", test::ShortPacket(0x04, {}), false, "CPassThruParseError"},
        {"foreign frame type and bad checksum", badChecksumAndFrame, false, "CPassThruParseError"},
        {"short form 01 (nothing this side sends)", Hex("01 00 00 01"), false, "CPassThruCmdUnknown"},
        {"short form FF", Hex("FF 00 00 FF"), false, "CPassThruCmdUnknown"},
        {"command 08", test::LongPacket(0x08, {}), false, "CPassThruCmdUnknown"},
        {"command 02", test::LongPacket(0x02, {}), false, "CPassThruCmdUnknown"},
        {"sub-code 21", test::PassThroughPacket(0x21, 1, {}), false, "CPassThruSubCmdUnknown"},
        {"sub-code 14", test::PassThroughPacket(0x14, 1, {}), false, "CPassThruSubCmdUnknown"},
        {"sub-code 37", test::PassThroughPacket(0x37, 1, {}), false, "CPassThruSubCmdUnknown"},
        {"no sub-command", test::LongPacket(0x0A, {}), false, "CPassThruParseError"},
        {"no transaction number", test::LongPacket(0x0A, Hex("13 00")), false, "CPassThruParseError"},
        {"empty packet", {}, false, "CPassThruParseError"},
        {"attribute length fits neither form", test::PassThroughPacket(0x16, 1, Hex("03 30 00 00")), false,
         "CPassThruParseError"},
        {"attribute length narrow in an extended answer",
         test::PassThroughPacket(0x16, 1, Hex("06 30 00 00 00 00 25")), true, "CPassThruParseError"},
        {"attribute length short of its return code",
         test::PassThroughPacket(0x16, 1, Hex("02 30 00 00 00 00")), true, "CPassThruParseError"},
        {"pps length disagrees", test::PassThroughPacket(0x0F, 1, Hex("00 0B 00 11 00 00 25 80 00 02 3B 00")),
         false, "CPassThruParseError"},
        {"process length past the body", test::PassThroughPacket(0x05, 1, Hex("30 00 09 90 61 10")), false,
         "CPassThruParseError"},
        {"process length short of its return code", test::PassThroughPacket(0x05, 1, Hex("00 01 30 00")),
         false, "CPassThruParseError"},
        {"simulation length short of its return code",
         test::PassThroughPacket(0x15, 1, Hex("30 00 02 00 00 00 00")), true, "CPassThruParseError"},
        {"bulk count beyond its elements",
         test::PassThroughPacket(0x0C, 1, Hex("00 00 02 00 04 30 00 90 00")), false, "CPassThruParseError"},
        {"serial result shorter than its fixed fields",
         test::PassThroughPacket(0x0D, 1, Hex("00 06 36 00 00 00 00 82 07")), false, "CPassThruParseError"},
        {"serial result with data after a failure",
         test::PassThroughPacket(0x0D, 1, Hex("00 08 31 00 00 00 00 81 03 01")), false,
         "CPassThruParseError"},
        {"bulk serial count beyond its results",
         test::PassThroughPacket(0x0E, 1, Hex("30 00 02 00 07 36 00 00 00 00 FF 01")), false,
         "CPassThruParseError"},
        {"corvid data length without data type",
         test::PassThroughPacket(0x00, 0, Hex("00 00 00 00 00 00 01 00 00 11 00 00 25 80 00 00 00")), false,
         "CPassThruParseError"},
        {"corvid item longer than its list",
         test::PassThroughPacket(0x00, 0,
                                 Hex("00 00 00 00 00 00 02 01 00 00 00 00 0D FB 00 00 25 80 00 01 00 "
                                     "00 00 00 03 01 00 05")),
         true, "CPassThruParseError"},
        {"corvid list with a partial item",
         test::PassThroughPacket(0x00, 0,
                                 Hex("00 00 00 00 00 00 02 01 00 00 00 00 0D FB 00 00 25 80 00 01 00 "
                                     "00 00 00 02 01 00")),
         true, "CPassThruParseError"},
        {"tarn block with a stray byte",
         test::PassThroughPacket(0x00, 0,
                                 Hex("00 01 4D 00 0A 43 4F 4E 54 52 4F 4C 4C 45 52 00 01 44 00 00 "
                                     "00 08 00 01 30 30 00 00 00 FF")),
         false, "CPassThruParseError"},
    };
    for (const RejectCase& c : cases) {
        EXPECT_EQ(Rejection(c.packet, c.extended), c.expected) << c.name;
    }
}

TEST(MessageDecoder, EveryTruncationIsAParseError) {
    for (const test::MessageCase& c : test::MessageCases()) {
        SCOPED_TRACE(c.name);
        auto message = c.make();
        const CByteArray packet = Build(*message, 7, false);
        for (std::size_t length = 0; length < packet.size(); ++length) {
            const CByteArray cut(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(Rejection(cut, c.extended), "CPassThruParseError") << "length " << length;
        }
        // A well-framed packet whose body lost its last byte. Only the device-name request has a
        // shorter form of its own (no number).
        const CByteArray body = Hex(c.body);
        if (body.empty() || std::string(message->ClassName()) == "CMsgRequestDeviceName") {
            continue;
        }
        const CByteArray shortBody(body.begin(), body.end() - 1);
        EXPECT_EQ(Rejection(test::ExpectedPacket(*message, 7, shortBody), c.extended), "CPassThruParseError");
    }
}

// Whatever a changed byte makes of a body, the decoder either rejects it or reads a message that writes
// itself back in a form that reads the same again.
TEST(MessageDecoder, ChangedBytesAreRejectedOrReadConsistently) {
    for (const test::MessageCase& c : test::MessageCases()) {
        SCOPED_TRACE(c.name);
        auto message = c.make();
        const CByteArray body = Hex(c.body);
        for (std::size_t i = 0; i < body.size(); ++i) {
            for (const std::uint8_t value :
                 {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t(body[i] ^ 0x01)}) {
                CByteArray changed = body;
                changed[i] = value;
                std::unique_ptr<CObjCommMessage> read;
                try {
                    read = Decode(test::ExpectedPacket(*message, 1, changed), c.extended);
                } catch (const CPassThruFormatError&) {
                    continue;
                }
                ASSERT_NE(read, nullptr);
                const CStringArray description = read->Describe();
                auto again = Decode(Build(*read, 1, false), c.extended);
                EXPECT_STREQ(again->ClassName(), read->ClassName()) << "byte " << i << " = " << int{value};
                EXPECT_EQ(again->Describe(), description) << "byte " << i << " = " << int{value};
                EXPECT_EQ(again->Body(), read->Body()) << "byte " << i << " = " << int{value};
            }
        }
    }
}

TEST(MessageDecoder, TransactionNumberAndTrailingBytes) {
    std::uint32_t transaction = 77;
    Decode(test::LongPacket(0x07, Hex("01")), false, &transaction);
    EXPECT_EQ(transaction, 0U);

    // Bytes after the checksum are not part of the packet.
    CByteArray packet = test::PassThroughPacket(0xFF, 0xBEEF, Hex("00"));
    packet.push_back(0x42);
    auto finish = Decode(packet, false, &transaction);
    EXPECT_EQ(transaction, 0xBEEFU);
    EXPECT_EQ(finish->Describe().back(), "Responding to ZOLT Server");

    // The transaction number is kept even when the sub-code is unknown, as in the other direction.
    CInBinaryString unknown(test::PassThroughPacket(0x21, 0x1234, {}));
    EXPECT_THROW(CreateMessageFromPacket(unknown, transaction, false), CPassThruSubCmdUnknown);
    EXPECT_EQ(transaction, 0x1234U);
}

}  // namespace
}  // namespace tessaly
