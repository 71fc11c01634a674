// Behaviour mended on purpose: nothing enciphered goes out in clear, and the Corvid start describes
// its items in both encodings.
#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

struct ProcessCase {
    const char* name;
    bool extended;
    bool lengthFirst;
    std::uint16_t flags;
    bool withContext;
    const char* body;  // null: the response travels as its envelope
};

const ProcessCase kProcessCases[] = {
    {"envelope asked, no context", true, false, 0x0004, false, "30 00 04 00 04 00 00 00 89"},
    {"envelope asked, no context, length first", false, true, 0x0004, false, "00 02 30 89"},
    {"envelope asked among other flags", true, true, 0x0006, false, "00 07 30 00 06 00 00 00 89"},
    {"no envelope asked, no context", true, false, 0x0000, false, "30 00 00 00 06 00 00 00 00 61 10"},
    {"envelope asked, with context", true, false, 0x0004, true, nullptr},
};

TEST(MendedBehaviour, EncipheredResponseNeverInClear) {
    const CByteArray response = Hex("61 10");
    const CCipherContext context(DevelopmentStationKey());
    for (const ProcessCase& c : kProcessCases) {
        SCOPED_TRACE(c.name);
        CMsgProcess ack(false, 0, response, c.lengthFirst, c.extended, c.flags,
                        c.withContext ? &context : nullptr);
        const CByteArray body = ack.Body();
        if (c.body != nullptr) {
            EXPECT_EQ(ToHex(body), ToHex(Hex(c.body)));
            EXPECT_EQ(ack.EnvelopeFailed(), (c.flags & CMsgProcess::kFlagEncipherResponse) != 0);
        } else {
            EXPECT_FALSE(ack.EnvelopeFailed());
            EXPECT_EQ(ack.GetReturnCode(), 0U);
            CByteArray plain;
            ASSERT_TRUE(DecryptEnvelope(context, ack.GetResponse(), plain));
            EXPECT_EQ(plain, response);
        }
        EXPECT_EQ(std::search(body.begin(), body.end(), response.begin(), response.end()) != body.end(),
                  (c.flags & CMsgProcess::kFlagEncipherResponse) == 0);

        // What the host reads back from the packet.
        COutBinaryString packet;
        ASSERT_TRUE(ack.BuildPacket(packet, 7, kAddressCardProcessing, false));
        CInBinaryString in(packet.Bytes());
        std::uint32_t transaction = 0;
        auto decoded = CreateMessageFromPacket(in, transaction, c.extended);
        const auto* process = dynamic_cast<const CMsgProcess*>(decoded.get());
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(transaction, 7U);
        EXPECT_EQ(process->GetReturnCode(), ack.GetReturnCode());
        EXPECT_EQ(process->GetResponse(), ack.GetResponse());
    }
}

struct CorvidCase {
    const char* name;
    bool extended;
    bool withItems;
};

const CorvidCase kCorvidCases[] = {
    {"not extended, items", false, true},
    {"extended, items", true, true},
    {"not extended, no items", false, false},
    {"extended, no items", true, false},
};

TEST(MendedBehaviour, CorvidStartDescribesItsItemsInBothEncodings) {
    for (const CorvidCase& c : kCorvidCases) {
        SCOPED_TRACE(c.name);
        auto make = [&c] {
            return CMsgCorvidStartPassThroughMode("M", "S", "A", 6, true, Hex("3B 00"),
                                                  c.extended ? 3579 : 0x11, 9600, 0, Hex("AA"), c.extended);
        };
        CMsgCorvidStartPassThroughMode message = make();
        if (c.withItems) {
            message.AddItem(0x01, Hex("AB CD"));
            message.AddItem(0x02, {});
        }
        const CStringArray description = message.Describe();
        ASSERT_GE(description.size(), 2U);
        if (c.withItems) {
            EXPECT_EQ(description[description.size() - 2], "Extra data");
            EXPECT_EQ(description.back(), "01 00 02 ab cd 02 00 00");
        } else {
            EXPECT_EQ(std::count(description.begin(), description.end(), "Extra data"), 0);
        }
        // On the wire the items still travel only in the extended form.
        const CByteArray withoutItems = make().Body();
        const CByteArray body = message.Body();
        if (c.extended && c.withItems) {
            EXPECT_EQ(ToHex(CByteArray(body.end() - 12, body.end())), "00 00 00 08 01 00 02 AB CD 02 00 00");
        } else {
            EXPECT_EQ(ToHex(body), ToHex(withoutItems));
        }
    }
}

}  // namespace
}  // namespace tessaly
