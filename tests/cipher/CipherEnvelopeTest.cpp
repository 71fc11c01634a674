#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "protocol/cipher/CipherEnvelope.h"
#include "platform/TripleDes.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

// Three distinct keys (the NIST SP 800-67 example key), so a wrong key order would show.
const StationKey kKey = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x23, 0x45, 0x67, 0x89,
                         0xAB, 0xCD, 0xEF, 0x01, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};

class CipherEnvelope : public ::testing::Test {
protected:
    // Each 8-byte block through the raw block cipher, independently of the envelope code.
    CByteArray RawEncrypt(CByteArray bytes) const {
        EXPECT_EQ(bytes.size() % 8, 0U);
        for (std::size_t offset = 0; offset + 8 <= bytes.size(); offset += 8) {
            EXPECT_TRUE(m_raw.EncryptBlock(&bytes[offset], &bytes[offset]));
        }
        return bytes;
    }
    CByteArray RawDecrypt(CByteArray bytes) const {
        EXPECT_EQ(bytes.size() % 8, 0U);
        for (std::size_t offset = 0; offset + 8 <= bytes.size(); offset += 8) {
            EXPECT_TRUE(m_raw.DecryptBlock(&bytes[offset], &bytes[offset]));
        }
        return bytes;
    }

    static CByteArray Data(std::size_t length) {
        CByteArray data(length);
        for (std::size_t i = 0; i < length; ++i) {
            data[i] = static_cast<std::uint8_t>(0xA0 + i * 7);
        }
        return data;
    }

    // Runs the buffer-level decryption with room for exactly what it asks for.
    std::uint32_t DecryptStatus(const CByteArray& envelope, CByteArray* data = nullptr) const {
        CByteArray out(envelope.size() >= 6 ? envelope.size() - 6 : 0);
        out.push_back(0);  // never a null buffer
        std::size_t length = out.size();
        const std::uint32_t status =
            DecryptEnvelopeBuffer(m_context, envelope.data(), envelope.size(), out.data(), &length);
        if (status != kCipherOk) {
            EXPECT_EQ(length, 0U);
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }))
                << "plain text left behind: " << ToHex(out);
        }
        if (data != nullptr) {
            out.resize(status == kCipherOk ? length : 0);
            *data = out;
        }
        return status;
    }

    const CCipherContext m_context{kKey};
    const platform::CTripleDes m_raw{kKey};
};

TEST_F(CipherEnvelope, EmptyDataIsOneBlock) {
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, {}, envelope));
    EXPECT_EQ(ToHex(RawDecrypt(envelope)), "45 00 00 00 00 69 69 69");
}

TEST_F(CipherEnvelope, ThreeBytesGetAWholeBlockOfPadding) {
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, Hex("11 22 33"), envelope));
    EXPECT_EQ(ToHex(RawDecrypt(envelope)), "45 00 00 00 03 11 22 33 69 69 69 69 69 69 69 69");
}

TEST_F(CipherEnvelope, LayoutForEveryPaddingLength) {
    // n = 0 to 19 runs the padding through 3..1, 8..1 and 8..4.
    for (std::size_t n = 0; n < 20; ++n) {
        SCOPED_TRACE("data length " + std::to_string(n));
        const CByteArray data = Data(n);
        CByteArray envelope;
        ASSERT_TRUE(EncryptEnvelope(m_context, data, envelope));
        const std::size_t padding = 8 - (n + 5) % 8;
        ASSERT_GE(padding, 1U);
        ASSERT_LE(padding, 8U);
        ASSERT_EQ(envelope.size(), 5 + n + padding);

        CByteArray expected{0x45, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
        expected.insert(expected.end(), data.begin(), data.end());
        expected.insert(expected.end(), padding, 0x69);
        EXPECT_EQ(ToHex(RawDecrypt(envelope)), ToHex(expected));
    }
}

TEST_F(CipherEnvelope, LengthFieldIsBigEndian) {
    const CByteArray data = Data(0x0123);
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, data, envelope));
    const CByteArray plain = RawDecrypt(envelope);
    EXPECT_EQ(ToHex(CByteArray(plain.begin(), plain.begin() + 5)), "45 00 00 01 23");
}

TEST_F(CipherEnvelope, RoundTrips) {
    for (std::size_t n : {0U, 1U, 2U, 3U, 4U, 10U, 11U, 12U, 64U, 1000U, 65537U}) {
        SCOPED_TRACE("data length " + std::to_string(n));
        const CByteArray data = Data(n);
        CByteArray envelope;
        ASSERT_TRUE(EncryptEnvelope(m_context, data, envelope));
        CByteArray back{0xEE};
        ASSERT_TRUE(DecryptEnvelope(m_context, envelope, back));
        EXPECT_EQ(back, data);
    }
}

TEST_F(CipherEnvelope, HandMadeEnvelopeOpens) {
    // Made with the raw cipher only: checks decryption independently of encryption.
    CByteArray data;
    EXPECT_EQ(DecryptStatus(RawEncrypt(Hex("45 00 00 00 04 DE AD BE EF 69 69 69 69 69 69 69")), &data),
              kCipherOk);
    EXPECT_EQ(ToHex(data), "DE AD BE EF");
    EXPECT_EQ(DecryptStatus(RawEncrypt(Hex("45 00 00 00 02 AB CD 69")), &data), kCipherOk);
    EXPECT_EQ(ToHex(data), "AB CD");
}

struct Rejection {
    const char* name;
    CByteArray plain;  // enciphered with the raw cipher before the test, unless raw is set
    bool raw;
};

TEST_F(CipherEnvelope, DecryptionRejectsEveryMalformedEnvelope) {
    const Rejection cases[] = {
        {"empty", {}, true},
        {"7 bytes", Hex("45 00 00 00 00 69 69"), true},
        {"9 bytes", Hex("45 00 00 00 00 69 69 69 69"), true},
        {"15 bytes", Hex("45 00 00 00 00 69 69 69 69 69 69 69 69 69 69"), true},
        {"header byte not 45", Hex("44 00 00 00 03 11 22 33 69 69 69 69 69 69 69 69"), false},
        {"header byte zero", Hex("00 00 00 00 02 AB CD 69"), false},
        {"length leaves no padding", Hex("45 00 00 00 03 11 22 33"), false},
        {"length reaches past the end", Hex("45 00 00 00 04 11 22 33"), false},
        {"length far past the end", Hex("45 FF FF FF FF 11 22 33"), false},
        {"length leaves nine padding bytes", Hex("45 00 00 00 02 AB CD 69 69 69 69 69 69 69 69 69"), false},
        {"length leaves a whole block of padding and more",
         Hex("45 00 00 00 00 69 69 69 69 69 69 69 69 69 69 69"), false},
        {"last padding byte 00", Hex("45 00 00 00 03 11 22 33 69 69 69 69 69 69 69 00"), false},
        {"first padding byte 00", Hex("45 00 00 00 03 11 22 33 00 69 69 69 69 69 69 69"), false},
        {"padding in the first block", Hex("45 00 00 00 00 69 68 69"), false},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.name);
        const CByteArray envelope = c.raw ? c.plain : RawEncrypt(c.plain);
        EXPECT_EQ(DecryptStatus(envelope), kCipherBadEnvelope);
        CByteArray out{0xEE};
        EXPECT_EQ(DecryptEnvelope(m_context, envelope, out), envelope.empty());
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(CipherEnvelope, WrongKeyDoesNotOpen) {
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, Data(20), envelope));
    const CCipherContext other(DevelopmentStationKey());
    CByteArray out;
    EXPECT_FALSE(DecryptEnvelope(other, envelope, out));
    EXPECT_TRUE(out.empty());
}

TEST_F(CipherEnvelope, ShortInputsOfTheWrapper) {
    CByteArray out{0xEE};
    EXPECT_TRUE(DecryptEnvelope(m_context, {}, out));
    EXPECT_TRUE(out.empty());
    // One to six bytes cannot be an envelope; that is a failure, not an empty result.
    for (std::size_t n = 1; n <= 6; ++n) {
        out = {0xEE};
        EXPECT_FALSE(DecryptEnvelope(m_context, CByteArray(n, 0x45), out)) << n << " bytes";
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(CipherEnvelope, EncryptionReportsTheSizeItNeeds) {
    // The routine asks for n + 13 whatever the padding turns out to be.
    const CByteArray data = Data(10);
    CByteArray out(10 + 13, 0);
    std::size_t length = 10 + 12;
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), &length),
              kCipherBufferTooSmall);
    EXPECT_EQ(length, 23U);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }));

    length = out.size();
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), &length), kCipherOk);
    EXPECT_EQ(length, 16U);  // 5 + 10 takes one byte of padding
    out.resize(length);
    CByteArray back;
    EXPECT_TRUE(DecryptEnvelope(m_context, out, back));
    EXPECT_EQ(back, data);
}

TEST_F(CipherEnvelope, DecryptionReportsTheSizeItNeeds) {
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, Data(3), envelope));  // 16 bytes
    CByteArray out(10, 0);
    std::size_t length = 9;
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, envelope.data(), envelope.size(), out.data(), &length),
              kCipherBufferTooSmall);
    EXPECT_EQ(length, 10U);
    length = 10;
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, envelope.data(), envelope.size(), out.data(), &length),
              kCipherOk);
    EXPECT_EQ(length, 3U);
    EXPECT_EQ(CByteArray(out.begin(), out.begin() + 3), Data(3));
}

TEST_F(CipherEnvelope, MissingArguments) {
    const CByteArray data = Data(8);
    CByteArray out(32, 0);
    std::size_t length = out.size();
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), nullptr),
              kCipherNoLengthOut);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), nullptr),
              kCipherNoLengthOut);
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, nullptr, 4, out.data(), &length), kCipherNoBuffer);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, nullptr, 8, out.data(), &length), kCipherNoBuffer);
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), nullptr, &length), kCipherNoBuffer);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, data.data(), data.size(), nullptr, &length), kCipherNoBuffer);
    // No data at all is a valid empty block.
    length = out.size();
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, nullptr, 0, out.data(), &length), kCipherOk);
    EXPECT_EQ(length, 8U);
    // ... but an empty envelope is not an envelope.
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, nullptr, 0, out.data(), &length), kCipherBadEnvelope);
}

TEST_F(CipherEnvelope, EncryptEmptiesItsOutputFirst) {
    CByteArray out = Hex("01 02 03");
    ASSERT_TRUE(EncryptEnvelope(m_context, {}, out));
    EXPECT_EQ(out.size(), 8U);
}

}  // namespace
}  // namespace tessaly
