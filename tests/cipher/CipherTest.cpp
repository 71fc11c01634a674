// Triple DES against published vectors, the station key setting, and the envelope: its layout for
// every padding length, round trips, and every way a malformed envelope or a bad call fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/TripleDes.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/cipher/StationKey.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

StationKey KeyOf(const char* text) {
    StationKey key{};
    const CByteArray bytes = Hex(text);
    EXPECT_EQ(bytes.size(), key.size());
    std::copy_n(bytes.begin(), std::min(bytes.size(), key.size()), key.begin());
    return key;
}

// Three distinct keys (the NIST SP 800-67 example key), so that a wrong key order shows.
const StationKey kKey = KeyOf("0123456789ABCDEF 23456789ABCDEF01 456789ABCDEF0123");

TEST(TripleDes, PublishedVectorsBothWays) {
    // With K1 = K2 = K3 TDEA is single DES, which is how the NIST SP 800-20 tables apply to it.
    const struct {
        const char* source;
        const char* key;
        const char* plain;
        const char* cipher;
    } vectors[] = {
        {"SP 800-67 Rev. 1 B", "0123456789ABCDEF 23456789ABCDEF01 456789ABCDEF0123",
         "5468652071756663 6B2062726F776E20 666F78206A756D70",
         "A826FD8CE53B855F CCE21C8112256FE6 68D5C05DD9B6B900"},
        {"SP 800-20 A.1 #1", "0101010101010101 0101010101010101 0101010101010101", "8000000000000000",
         "95F8A5E5DD31D900"},
        {"SP 800-20 A.1 #2", "0101010101010101 0101010101010101 0101010101010101", "4000000000000000",
         "DD7F121CA5015619"},
        {"SP 800-20 A.1 #3", "0101010101010101 0101010101010101 0101010101010101", "2000000000000000",
         "2E8653104F3834EA"},
        {"SP 800-20 A.1 #64", "0101010101010101 0101010101010101 0101010101010101", "0000000000000001",
         "166B40B44ABA4BD6"},
        {"SP 800-20 A.2 #1", "8001010101010101 8001010101010101 8001010101010101", "0000000000000000",
         "95A8D72813DAA94D"},
        {"SP 800-20 A.2 #2", "4001010101010101 4001010101010101 4001010101010101", "0000000000000000",
         "0EEC1487DD8C26D5"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.source);
        const platform::CTripleDes cipher(KeyOf(v.key));
        ASSERT_TRUE(cipher.IsReady());
        const CByteArray plain = Hex(v.plain);
        const CByteArray expected = Hex(v.cipher);
        CByteArray encrypted(plain.size());
        CByteArray decrypted(plain.size());
        for (std::size_t at = 0; at < plain.size(); at += 8) {
            ASSERT_TRUE(cipher.EncryptBlock(&plain[at], &encrypted[at]));
            ASSERT_TRUE(cipher.DecryptBlock(&expected[at], &decrypted[at]));
        }
        EXPECT_EQ(ToHex(encrypted), ToHex(expected));
        EXPECT_EQ(ToHex(decrypted), ToHex(plain));
    }
    // The context holds the same schedules and works in place.
    const CCipherContext context(kKey);
    ASSERT_TRUE(context.IsReady());
    CByteArray block = Hex("5468652071756663");
    ASSERT_TRUE(context.EncryptBlock(block.data()));
    EXPECT_EQ(ToHex(block), "A8 26 FD 8C E5 3B 85 5F");
    ASSERT_TRUE(context.DecryptBlock(block.data()));
    EXPECT_EQ(ToHex(block), "54 68 65 20 71 75 66 63");
}

TEST(StationKey, SettingIsFortyEightHexDigits) {
    const StationKey& development = DevelopmentStationKey();
    EXPECT_EQ(std::string(development.begin(), development.end()), "Tessaly development key!");
    EXPECT_EQ(ParseStationKey("54657373616C7920646576656C6F706D656E74206B657921"), development);
    EXPECT_EQ(ParseStationKey("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123"), kKey);
    EXPECT_EQ(ParseStationKey("0123456789abcdef23456789abcdef01456789abcdef0123"), kKey);
    const std::string rejected[] = {
        "",
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012",    // 47 digits
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF01234",  // 49 digits
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012G",   // not a digit
        "0123456789ABCDEF 23456789ABCDEF01 456789ABCDEF01",   // blanks
        "0x23456789ABCDEF23456789ABCDEF01456789ABCDEF0123",   // prefix
        " 123456789ABCDEF23456789ABCDEF01456789ABCDEF0123",   // leading blank
        std::string("0123456789ABCDEF23456789ABCDEF01456789ABCDEF01\0"
                    "3",
                    48),
    };
    for (const std::string& text : rejected) {
        EXPECT_FALSE(ParseStationKey(text).has_value()) << '"' << text << '"';
    }
}

class CipherEnvelopeTest : public ::testing::Test {
protected:
    // Each block through the raw cipher, independently of the envelope code.
    CByteArray Raw(CByteArray bytes, bool encrypt) const {
        EXPECT_EQ(bytes.size() % 8, 0U);
        for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
            EXPECT_TRUE(encrypt ? m_raw.EncryptBlock(&bytes[at], &bytes[at])
                                : m_raw.DecryptBlock(&bytes[at], &bytes[at]));
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
    // The buffer-level decryption with room for exactly what it asks for; no plain text may be left
    // behind after a failure.
    std::uint32_t DecryptStatus(const CByteArray& envelope, CByteArray* data = nullptr) const {
        CByteArray out(envelope.size() >= 6 ? envelope.size() - 6 : 0);
        out.push_back(0);
        std::size_t length = out.size();
        const std::uint32_t status =
            DecryptEnvelopeBuffer(m_context, envelope.data(), envelope.size(), out.data(), &length);
        if (status != kCipherOk) {
            EXPECT_EQ(length, 0U);
            EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }))
                << ToHex(out);
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

TEST_F(CipherEnvelopeTest, LayoutForEveryPaddingLengthAndRoundTrips) {
    // 0 to 19 bytes run the padding through 3..1, 8..1 and 8..4: empty data is one block
    // (45 00 00 00 00 69 69 69), three bytes take a whole block of padding.
    for (std::size_t n = 0; n < 20; ++n) {
        SCOPED_TRACE("data length " + std::to_string(n));
        const CByteArray data = Data(n);
        CByteArray envelope = Hex("01 02 03");
        ASSERT_TRUE(EncryptEnvelope(m_context, data, envelope));
        CByteArray expected{0x45, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)};
        expected.insert(expected.end(), data.begin(), data.end());
        expected.insert(expected.end(), 8 - (n + 5) % 8, 0x69);
        EXPECT_EQ(ToHex(Raw(envelope, false)), ToHex(expected));
    }
    for (const std::size_t n : {0U, 1U, 2U, 3U, 10U, 11U, 64U, 0x123U, 65537U}) {
        CByteArray envelope;
        ASSERT_TRUE(EncryptEnvelope(m_context, Data(n), envelope));
        const CByteArray plain = Raw(envelope, false);
        EXPECT_EQ(std::size_t{plain[1]} << 24 | plain[2] << 16 | plain[3] << 8 | plain[4], n) << "big-endian";
        CByteArray back{0xEE};
        ASSERT_TRUE(DecryptEnvelope(m_context, envelope, back));
        EXPECT_EQ(back, Data(n)) << n;
    }
}

TEST_F(CipherEnvelopeTest, HandMadeEnvelopesOpenAndMalformedOnesDoNot) {
    CByteArray data;
    EXPECT_EQ(DecryptStatus(Raw(Hex("45 00 00 00 04 DE AD BE EF 69 69 69 69 69 69 69"), true), &data),
              kCipherOk);
    EXPECT_EQ(ToHex(data), "DE AD BE EF");
    EXPECT_EQ(DecryptStatus(Raw(Hex("45 00 00 00 02 AB CD 69"), true), &data), kCipherOk);
    EXPECT_EQ(ToHex(data), "AB CD");

    const struct {
        const char* name;
        const char* plain;  // enciphered with the raw cipher first, unless raw
        bool raw;
    } rejected[] = {
        {"empty", "", true},  // the only input that opens to nothing
        {"1 byte", "45", true},
        {"6 bytes", "45 00 00 00 00 69", true},
        {"7 bytes", "45 00 00 00 00 69 69", true},
        {"9 bytes", "45 00 00 00 00 69 69 69 69", true},
        {"15 bytes", "45 00 00 00 00 69 69 69 69 69 69 69 69 69 69", true},
        {"header byte not 45", "44 00 00 00 03 11 22 33 69 69 69 69 69 69 69 69", false},
        {"header byte zero", "00 00 00 00 02 AB CD 69", false},
        {"length leaves no padding", "45 00 00 00 03 11 22 33", false},
        {"length reaches past the end", "45 00 00 00 04 11 22 33", false},
        {"length far past the end", "45 FF FF FF FF 11 22 33", false},
        {"nine padding bytes", "45 00 00 00 02 AB CD 69 69 69 69 69 69 69 69 69", false},
        {"a block of padding and more", "45 00 00 00 00 69 69 69 69 69 69 69 69 69 69 69", false},
        {"last padding byte 00", "45 00 00 00 03 11 22 33 69 69 69 69 69 69 69 00", false},
        {"first padding byte 00", "45 00 00 00 03 11 22 33 00 69 69 69 69 69 69 69", false},
        {"padding in the first block", "45 00 00 00 00 69 68 69", false},
    };
    for (const auto& c : rejected) {
        SCOPED_TRACE(c.name);
        const CByteArray envelope = c.raw ? Hex(c.plain) : Raw(Hex(c.plain), true);
        EXPECT_EQ(DecryptStatus(envelope), kCipherBadEnvelope);
        CByteArray out{0xEE};
        EXPECT_EQ(DecryptEnvelope(m_context, envelope, out), envelope.empty());
        EXPECT_TRUE(out.empty());
    }
    CByteArray envelope;
    ASSERT_TRUE(EncryptEnvelope(m_context, Data(20), envelope));
    CByteArray out;
    EXPECT_FALSE(DecryptEnvelope(CCipherContext(DevelopmentStationKey()), envelope, out)) << "another key";
    EXPECT_TRUE(out.empty());
}

TEST_F(CipherEnvelopeTest, BufferRoutinesReportSizesAndMissingArguments) {
    // Encryption asks for n + 13 whatever the padding turns out to be.
    const CByteArray data = Data(10);
    CByteArray out(32, 0);
    std::size_t length = 22;
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), &length),
              kCipherBufferTooSmall);
    EXPECT_EQ(length, 23U);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }));
    length = 23;
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), &length), kCipherOk);
    EXPECT_EQ(length, 16U);
    CByteArray envelope(out.begin(), out.begin() + 16);
    // Decryption asks for the envelope length - 6.
    length = 9;
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, envelope.data(), 16, out.data(), &length),
              kCipherBufferTooSmall);
    EXPECT_EQ(length, 10U);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, envelope.data(), 16, out.data(), &length), kCipherOk);
    EXPECT_EQ(CByteArray(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(length)), data);

    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), out.data(), nullptr),
              kCipherNoLengthOut);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, data.data(), 8, out.data(), nullptr), kCipherNoLengthOut);
    length = out.size();
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, nullptr, 4, out.data(), &length), kCipherNoBuffer);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, nullptr, 8, out.data(), &length), kCipherNoBuffer);
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, data.data(), data.size(), nullptr, &length), kCipherNoBuffer);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, data.data(), 8, nullptr, &length), kCipherNoBuffer);
    // No data at all is a valid empty block, but an empty envelope is no envelope.
    EXPECT_EQ(EncryptEnvelopeBuffer(m_context, nullptr, 0, out.data(), &length), kCipherOk);
    EXPECT_EQ(length, 8U);
    EXPECT_EQ(DecryptEnvelopeBuffer(m_context, nullptr, 0, out.data(), &length), kCipherBadEnvelope);
}

}  // namespace
}  // namespace tessaly
