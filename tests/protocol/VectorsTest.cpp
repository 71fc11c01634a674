// The codec both ways over the vector files. Each case of incoming.vec is read by the packet factory,
// each case of outgoing.vec by the host-side decoder: the class or the refusal with its finish
// reason, the description, the body written back, a second reading of what was written, every
// shorter body and packet refused (but the cuts a case names), and for messages any changed byte
// refused or read consistently.
#include <gtest/gtest.h>

#include <type_traits>

#include "common/Format.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tests/support/TestPackets.h"
#include "tests/support/Vectors.h"

namespace tessaly {
namespace {

using test::ToHex;
using test::Vector;

template <class T>
struct Reading {
    std::unique_ptr<T> object;
    std::string outcome;  // the class, or the refusal and its finish reason
    std::uint32_t transaction = 0;
};

// T is CObjCommResponse (the packet factory) or CObjCommMessage (the host-side decoder). The cases'
// own packets and their rewritten forms seed the fuzz targets; their cut and changed forms do not.
template <class T>
Reading<T> Read(const CByteArray& packet, bool extended, bool seed = false) {
    constexpr bool kIncoming = std::is_same_v<T, CObjCommResponse>;
    if (seed) {
        test::RecordSeed(kIncoming ? "fuzz_response_factory" : "fuzz_message_decoder", packet);
    }
    Reading<T> reading;
    CInBinaryString in(packet);
    try {
        if constexpr (kIncoming) {
            reading.object = CObjCommResponse::CreateFromPacket(in, reading.transaction, extended);
        } else {
            reading.object = CreateMessageFromPacket(in, reading.transaction, extended);
        }
        reading.outcome = reading.object->ClassName();
    } catch (const CPassThruFormatError& e) {
        reading.outcome = e.Name() + FormatText(" %02X", e.FinishReason());
    }
    return reading;
}

CByteArray BodyOf(const CObjCommResponse& command) {
    return command.GetBody();
}
CByteArray BodyOf(const CObjCommMessage& message) {
    return message.Body();
}

CByteArray Framed(const CObjCommMessage& message, std::uint16_t transaction, bool wide) {
    COutBinaryString out;
    EXPECT_TRUE(message.BuildPacket(out, transaction, kAddressKeyStation, wide));
    return out.TakeBytes();
}

CByteArray Cut(const CByteArray& bytes, std::size_t length) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)};
}

// A command read back: its codes are those of its frame, and what it writes back, framed with its
// own codes and form, reads the same again; a byte after its body is not read.
void CheckCommand(const Vector& v, bool extended, CObjCommResponse& command) {
    if (v.frame.rfind("0A/", 0) == 0) {
        EXPECT_EQ(FormatText("%02X/%02X", command.GetCommand(), command.GetSubCommand()),
                  v.frame.substr(0, 5));
    } else if (v.frame != "raw") {
        EXPECT_EQ(FormatText("%02X", command.GetCommand()), v.frame.substr(1));
        EXPECT_EQ(command.GetSubCommand(), -1);
    }
    const auto again = Read<CObjCommResponse>(test::Reframe(command, v.Transaction()), extended, true);
    ASSERT_EQ(again.outcome, v.outcome);
    EXPECT_EQ(again.transaction, v.Transaction());
    EXPECT_EQ(again.object->Describe(), command.Describe());
    EXPECT_EQ(again.object->GetBody(), command.GetBody());
    EXPECT_EQ(again.object->UsesLongForm(), command.UsesLongForm());
    if (v.frame != "raw" && !v.Has("open")) {
        CByteArray longer = v.bytes;
        longer.push_back(0xEE);
        const auto trailing = Read<CObjCommResponse>(v.PacketWithBody(longer), extended);
        ASSERT_EQ(trailing.outcome, v.outcome) << "a byte after the body";
        EXPECT_EQ(trailing.object->Describe(), command.Describe()) << "a byte after the body";
    }
}

// A message read back: its own writer frames the vector's packet again, and its narrow and wide
// packets read the same; a body with one byte changed is refused or reads the same once rewritten.
void CheckMessage(const Vector& v, bool extended, CObjCommMessage& message) {
    if (v.frame != "raw") {
        EXPECT_EQ(ToHex(Framed(message, v.Transaction(), false)), ToHex(v.PacketWithBody(v.Body())));
    }
    for (const bool wide : {false, true}) {
        const auto again = Read<CObjCommMessage>(Framed(message, v.Transaction(), wide), extended, true);
        ASSERT_EQ(again.outcome, v.outcome) << (wide ? "wide" : "narrow");
        EXPECT_EQ(again.object->Describe(), message.Describe());
        EXPECT_EQ(again.object->Body(), message.Body());
    }
    for (std::size_t i = 0; i < v.bytes.size() && v.frame != "raw"; ++i) {
        for (const std::uint8_t value :
             {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t(v.bytes[i] ^ 1)}) {
            CByteArray changed = v.bytes;
            changed[i] = value;
            const auto read = Read<CObjCommMessage>(v.PacketWithBody(changed), extended);
            if (read.object) {
                const auto again = Read<CObjCommMessage>(Framed(*read.object, 1, false), extended);
                ASSERT_EQ(again.outcome, read.outcome) << "byte " << i << " = " << int{value};
                EXPECT_EQ(again.object->Describe(), read.object->Describe())
                    << "byte " << i << " = " << int{value};
                EXPECT_EQ(again.object->Body(), read.object->Body()) << "byte " << i << " = " << int{value};
            }
        }
    }
}

template <class T>
void CheckCase(const Vector& v, bool extended) {
    const Reading<T> reading = Read<T>(v.Packet(), extended, true);
    ASSERT_EQ(reading.outcome,
              v.IsRejection() ? v.outcome + FormatText(" %02X", v.FinishReason()) : v.outcome);
    if (v.IsRejection()) {
        if (v.outcome == "CPassThruSubCmdUnknown") {
            EXPECT_EQ(reading.transaction, v.Transaction()) << "kept for the answer";
        }
        return;
    }
    T& object = *reading.object;
    EXPECT_EQ(reading.transaction, object.GetCommand() == 0x0A ? v.Transaction() : 0U);
    EXPECT_EQ(object.UsesLongForm(), !v.Has("short"));
    EXPECT_EQ(object.IsExtended(), extended);
    if (v.description) {
        EXPECT_EQ(object.Describe(), *v.description);
        EXPECT_EQ(object.Describe(), *v.description) << "a second Describe starts afresh";
    }
    if (v.frame != "raw" || v.writtenBack) {
        EXPECT_EQ(ToHex(BodyOf(object)), ToHex(v.Body()));
    }
    if constexpr (std::is_same_v<T, CObjCommResponse>) {
        CheckCommand(v, extended, object);
    } else {
        CheckMessage(v, extended, object);
    }
    if (v.frame == "raw") {
        return;
    }
    for (std::size_t length = 0; length < v.bytes.size(); ++length) {
        EXPECT_EQ(Read<T>(v.PacketWithBody(Cut(v.bytes, length)), extended).outcome,
                  v.IsWholeCut(length) ? v.outcome : "CPassThruParseError F2")
            << "body cut to " << length << " bytes";
    }
    const CByteArray packet = v.Packet();
    for (std::size_t length = 0; length < packet.size(); ++length) {
        EXPECT_EQ(Read<T>(Cut(packet, length), extended).outcome, "CPassThruParseError F2")
            << "packet cut to " << length;
    }
}

template <class T>
void CheckFile(const char* file, std::size_t atLeast) {
    const std::vector<Vector>& vectors = test::LoadVectors(file);
    EXPECT_GE(vectors.size(), atLeast);
    for (const Vector& v : vectors) {
        for (const bool extended : v.Extended()) {
            SCOPED_TRACE(v.where + (extended ? " (extended)" : ""));
            CheckCase<T>(v, extended);
        }
    }
}

TEST(Codec, IncomingVectors) {
    CheckFile<CObjCommResponse>("incoming.vec", 450);
}

TEST(Codec, OutgoingVectors) {
    CheckFile<CObjCommMessage>("outgoing.vec", 220);
}

}  // namespace
}  // namespace tessaly
