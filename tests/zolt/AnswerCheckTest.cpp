// Answers against expectations: classes, numbers, description pairs, bytes, silence and closing.
#include <gtest/gtest.h>

#include <functional>

#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/AnswerCheck.h"

namespace tessaly {
namespace {

using test::Hex;
using tools::Answer;
using tools::Expectation;

CByteArray Packet(const CObjCommMessage& message, std::uint16_t transaction) {
    COutBinaryString out;
    EXPECT_TRUE(message.BuildPacket(out, transaction, kAddressKeyStation, false));
    return out.TakeBytes();
}

CByteArray BulkAnswer() {
    CMsgBulkProcess bulk(kBulkFailed, true);
    bulk.Add(std::make_shared<CMsgProcess>(false, 0, Hex("9000"), true, true));
    bulk.Add(std::make_shared<CMsgProcess>(false, 0x6A82, CByteArray{}, true, true));
    return Packet(bulk, 9);
}

Expectation Expect(Expectation::Kind kind, const char* className = "",
                   std::vector<std::pair<std::string, std::string>> fields = {},
                   std::optional<std::uint16_t> transaction = std::nullopt) {
    Expectation e;
    e.kind = kind;
    e.className = className;
    e.fields = std::move(fields);
    e.transaction = transaction;
    e.wait = std::chrono::milliseconds(250);
    return e;
}

Expectation ExpectBytes(const CByteArray& bytes) {
    Expectation e = Expect(Expectation::Kind::Packet);
    e.packet = bytes;
    return e;
}

Answer Got(Answer::Kind kind, CByteArray bytes = {}) {
    return {kind, std::move(bytes)};
}

struct Case {
    const char* name;
    Expectation expectation;
    Answer answer;
    const char* reason;  // empty: the expectation holds
};

using K = Expectation::Kind;
using A = Answer::Kind;

std::vector<Case> Cases() {
    const CByteArray keepAlive5 = Packet(CMsgKeepAlive(true), 5);
    const CByteArray process5 = Packet(CMsgProcess(false, 0x6A82, Hex("6F1A"), false, true), 5);
    const CByteArray health = Packet(CMsgHealthCheck(true, true), 0);
    CByteArray badChecksum = keepAlive5;
    badChecksum.back() ^= 0xFF;
    const CByteArray bulk = BulkAnswer();
    return {
        {"class and number", Expect(K::Class, "CMsgKeepAlive", {}, 5), Got(A::Packet, keepAlive5), ""},
        {"wrong number", Expect(K::Class, "CMsgKeepAlive", {}, 6), Got(A::Packet, keepAlive5),
         "the answer carries transaction 5, expected 6"},
        {"wrong class", Expect(K::Class, "CMsgKeepAlive"), Got(A::Packet, process5),
         "the answer is CMsgProcess, expected CMsgKeepAlive"},
        {"hex values in any case and spacing, labels in any case",
         Expect(K::Class, "CMsgProcess",
                {{"Return Code", "00006A82"}, {"smart card response data", "6F 1A"}}),
         Got(A::Packet, process5), ""},
        {"order counts",
         Expect(K::Class, "CMsgProcess", {{"Smart Card Response Data", "6F1A"}, {"Return Code", "00006a82"}}),
         Got(A::Packet, process5), "the answer has no further \"Return Code\""},
        {"pairs in order",
         Expect(K::Class, "CMsgProcess",
                {{"Time Out Indicator", "Get Response"}, {"Return Code", "00006a82"}}),
         Got(A::Packet, process5), ""},
        {"value differs", Expect(K::Class, "CMsgProcess", {{"Return Code", "00000000"}}),
         Got(A::Packet, process5), "\"Return Code\" is \"00006a82\", expected \"00000000\""},
        {"no such label", Expect(K::Class, "CMsgProcess", {{"Foo", "1"}}), Got(A::Packet, process5),
         "the answer has no \"Foo\""},
        {"repeated labels in turn",
         Expect(K::Class, "CMsgBulkProcess",
                {{"Status of Execution", "Failed"}, {"Return Code", "00000000"}, {"Return Code", "00006a82"}},
                9),
         Got(A::Packet, bulk), ""},
        {"repeated labels swapped",
         Expect(K::Class, "CMsgBulkProcess", {{"Return Code", "00006a82"}, {"Return Code", "00000000"}}, 8),
         Got(A::Packet, bulk),
         "the answer carries transaction 9, expected 8; \"Return Code\" is \"00000000\", expected "
         "\"00006a82\"; "
         "\"Return Code\" is \"00006a82\", expected \"00000000\""},
        {"rejected answer", Expect(K::Class, "CMsgKeepAlive"), Got(A::Packet, badChecksum),
         "the answer is rejected: CPassThruChecksumError"},
        {"no number outside pass-through", Expect(K::Class, "CMsgHealthCheck", {}, 7), Got(A::Packet, health),
         ""},
        {"silence", Expect(K::Class, "CMsgKeepAlive"), Got(A::Silence), "no answer within 250 ms"},
        {"part of an answer", Expect(K::Class, "CMsgKeepAlive"), Got(A::Silence, Hex("00 05 5B")),
         "only 3 bytes of an answer within 250 ms"},
        {"closed", Expect(K::Class, "CMsgKeepAlive"), Got(A::Closed), "the station closed the connection"},
        {"closed inside an answer", Expect(K::Packet), Got(A::Closed, Hex("00 05 5B")),
         "the station closed the connection after 3 bytes of an answer"},
        {"unframeable", Expect(K::Any), Got(A::Unframeable, Hex("0A 00")),
         "the answer starts with 0x0A, which is no frame type"},
        {"too long", Expect(K::Any), Got(A::TooLong, Hex("02 00 0A 7F")),
         "the answer announces a packet larger than accepted"},
        {"none: silence", Expect(K::None), Got(A::Silence), ""},
        {"none: a packet", Expect(K::None), Got(A::Packet, keepAlive5), "an answer arrived"},
        {"none: a part", Expect(K::None), Got(A::Silence, Hex("00")), "an answer arrived"},
        {"none: closed", Expect(K::None), Got(A::Closed), "the station closed the connection"},
        {"closed: closed", Expect(K::Closed), Got(A::Closed), ""},
        {"closed: still open", Expect(K::Closed), Got(A::Silence), "the connection stayed open for 250 ms"},
        {"closed: a packet", Expect(K::Closed), Got(A::Packet, keepAlive5), "an answer arrived"},
        {"closed: after a part", Expect(K::Closed), Got(A::Closed, Hex("00 05")),
         "the station closed the connection after 2 bytes of an answer"},
        {"bytes: equal", ExpectBytes(keepAlive5), Got(A::Packet, keepAlive5), ""},
        {"bytes: differ", ExpectBytes(Hex("99 00 00 99")), Got(A::Packet, keepAlive5),
         "the answer is not the expected 99 00 00 99"},
        {"any packet", Expect(K::Any), Got(A::Packet, badChecksum), ""},
        {"any with its number", Expect(K::Any, "", {}, 4), Got(A::Packet, keepAlive5),
         "the answer carries transaction 5, expected 4"},
        {"any: silence", Expect(K::Any), Got(A::Silence), "no answer within 250 ms"},
    };
}

TEST(AnswerCheck, Cases) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const tools::Verdict verdict = tools::CheckAnswer(c.expectation, c.answer);
        EXPECT_EQ(verdict.ok, std::string(c.reason).empty());
        EXPECT_EQ(verdict.reason, c.reason);
    }
}

TEST(AnswerCheck, DecodesWithTheExpectationsFlag) {
    // A narrow Process answer: one-byte return code.
    const CByteArray narrow = Packet(CMsgProcess(false, 0x82, Hex("9000"), false, false), 3);
    Expectation e =
        Expect(K::Class, "CMsgProcess", {{"Return Code", "82"}, {"Smart Card Response Data", "9000"}}, 3);
    e.extended = false;
    EXPECT_TRUE(tools::CheckAnswer(e, Got(A::Packet, narrow)).ok);
    e.extended = true;
    EXPECT_FALSE(tools::CheckAnswer(e, Got(A::Packet, narrow)).ok);
}

TEST(AnswerCheck, SameValue) {
    struct Pair {
        const char* actual;
        const char* expected;
        bool same;
    };
    const Pair pairs[] = {
        {"00006a82", "00006A82", true},
        {"6F 1A ", "6F1A", true},
        {"9600", "9600", true},
        {"", "", true},
        {"None", "", false},
        {"10", "0x10", false},
        {"Success", "success", false},
        {"0010", "10", false},
        {"3B 02", "3b02", true},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(tools::SameValue(p.actual, p.expected), p.same) << p.actual << " / " << p.expected;
    }
}

}  // namespace
}  // namespace tessaly
