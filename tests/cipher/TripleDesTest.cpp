#include <gtest/gtest.h>

#include <span>

#include "protocol/cipher/CipherEnvelope.h"
#include "platform/TripleDes.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

struct KnownAnswer {
    const char* source;
    const char* key;  // K1 K2 K3
    const char* plain;
    const char* cipher;
};

// Published Triple DES vectors. With K1 = K2 = K3 TDEA reduces to single DES, which is how the
// NIST SP 800-20 tables are applied to TDEA.
const KnownAnswer kKnownAnswers[] = {
    {"NIST SP 800-67 Rev. 1, Appendix B (three distinct keys)",
     "0123456789ABCDEF 23456789ABCDEF01 456789ABCDEF0123",
     "5468652071756663 6B2062726F776E20 666F78206A756D70",
     "A826FD8CE53B855F CCE21C8112256FE6 68D5C05DD9B6B900"},
    {"NIST SP 800-20 Table A.1 (variable plaintext), round 1",
     "0101010101010101 0101010101010101 0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"NIST SP 800-20 Table A.1 (variable plaintext), round 2",
     "0101010101010101 0101010101010101 0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"NIST SP 800-20 Table A.1 (variable plaintext), round 3",
     "0101010101010101 0101010101010101 0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"NIST SP 800-20 Table A.1 (variable plaintext), round 64",
     "0101010101010101 0101010101010101 0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
    {"NIST SP 800-20 Table A.2 (variable key), round 1", "8001010101010101 8001010101010101 8001010101010101",
     "0000000000000000", "95A8D72813DAA94D"},
    {"NIST SP 800-20 Table A.2 (variable key), round 2", "4001010101010101 4001010101010101 4001010101010101",
     "0000000000000000", "0EEC1487DD8C26D5"},
};

StationKey KeyOf(const char* text) {
    const CByteArray bytes = Hex(text);
    StationKey key{};
    EXPECT_EQ(bytes.size(), key.size());
    std::copy_n(bytes.begin(), std::min(bytes.size(), key.size()), key.begin());
    return key;
}

TEST(TripleDes, PublishedVectorsBothWays) {
    for (const KnownAnswer& vector : kKnownAnswers) {
        SCOPED_TRACE(vector.source);
        const platform::CTripleDes cipher(KeyOf(vector.key));
        ASSERT_TRUE(cipher.IsReady());
        const CByteArray plain = Hex(vector.plain);
        const CByteArray expected = Hex(vector.cipher);
        CByteArray encrypted(plain.size());
        CByteArray decrypted(plain.size());
        for (std::size_t offset = 0; offset < plain.size(); offset += 8) {
            ASSERT_TRUE(cipher.EncryptBlock(&plain[offset], &encrypted[offset]));
            ASSERT_TRUE(cipher.DecryptBlock(&expected[offset], &decrypted[offset]));
        }
        EXPECT_EQ(ToHex(encrypted), ToHex(expected));
        EXPECT_EQ(ToHex(decrypted), ToHex(plain));
    }
}

TEST(TripleDes, ContextWorksInPlaceWithTheSameSchedules) {
    const KnownAnswer& vector = kKnownAnswers[0];
    const CCipherContext context(KeyOf(vector.key));
    ASSERT_TRUE(context.IsReady());
    CByteArray block = Hex("5468652071756663");
    ASSERT_TRUE(context.EncryptBlock(block.data()));
    EXPECT_EQ(ToHex(block), "A8 26 FD 8C E5 3B 85 5F");
    ASSERT_TRUE(context.DecryptBlock(block.data()));
    EXPECT_EQ(ToHex(block), "54 68 65 20 71 75 66 63");
}

TEST(TripleDes, EveryBlockStandsAlone) {
    // ECB: the same plain block gives the same cipher block wherever it stands.
    const platform::CTripleDes cipher(KeyOf(kKnownAnswers[0].key));
    const CByteArray plain = Hex("5468652071756663");
    CByteArray first(8);
    CByteArray second(8);
    ASSERT_TRUE(cipher.EncryptBlock(plain.data(), first.data()));
    ASSERT_TRUE(cipher.EncryptBlock(plain.data(), second.data()));
    EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace tessaly
