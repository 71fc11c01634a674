#include "protocol/cipher/CipherEnvelope.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <limits>

#include "platform/TripleDes.h"

namespace tessaly {
namespace {

constexpr std::size_t kBlock = platform::CTripleDes::kBlockSize;
constexpr std::uint8_t kHeaderByte = 0x45;   // 'E'
constexpr std::uint8_t kPaddingByte = 0x69;  // 'i'
// The length field is 32 bits wide, and data + 13 must still be a size.
constexpr std::size_t kMaxDataLength = std::min<std::size_t>(
    std::numeric_limits<std::uint32_t>::max(), std::numeric_limits<std::size_t>::max() - kEnvelopeOverhead);

using Block = std::array<std::uint8_t, kBlock>;

// Zeroes a block of plain text when it goes out of scope.
struct WipedBlock {
    Block bytes{};
    WipedBlock() = default;
    WipedBlock(const WipedBlock&) = delete;
    WipedBlock& operator=(const WipedBlock&) = delete;
    ~WipedBlock() { platform::WipeBytes(bytes.data(), bytes.size()); }
};

}  // namespace

struct CCipherContext::Impl {
    explicit Impl(const StationKey& key) : cipher(key) {}
    platform::CTripleDes cipher;
};

CCipherContext::CCipherContext(const StationKey& key) : m_impl(std::make_unique<Impl>(key)) {}

CCipherContext::~CCipherContext() = default;

bool CCipherContext::IsReady() const {
    return m_impl->cipher.IsReady();
}

bool CCipherContext::EncryptBlock(std::uint8_t* block) const {
    return m_impl->cipher.EncryptBlock(block, block);
}

bool CCipherContext::DecryptBlock(std::uint8_t* block) const {
    return m_impl->cipher.DecryptBlock(block, block);
}

std::uint32_t EncryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in,
                                    std::size_t inLength, std::uint8_t* out, std::size_t* outLength) {
    if (outLength == nullptr) {
        return kCipherNoLengthOut;
    }
    if ((in == nullptr && inLength != 0) || out == nullptr) {
        return kCipherNoBuffer;
    }
    if (inLength > kMaxDataLength) {
        *outLength = 0;
        return kCipherBadEnvelope;
    }
    const std::size_t needed = inLength + kEnvelopeOverhead;
    if (*outLength < needed) {
        *outLength = needed;
        return kCipherBufferTooSmall;
    }

    const std::size_t padding = kBlock - (inLength + kEnvelopeHeaderSize) % kBlock;
    const std::size_t total = kEnvelopeHeaderSize + inLength + padding;
    const auto length = static_cast<std::uint32_t>(inLength);
    out[0] = kHeaderByte;
    out[1] = static_cast<std::uint8_t>(length >> 24);
    out[2] = static_cast<std::uint8_t>(length >> 16);
    out[3] = static_cast<std::uint8_t>(length >> 8);
    out[4] = static_cast<std::uint8_t>(length);
    if (inLength != 0) {
        std::memcpy(out + kEnvelopeHeaderSize, in, inLength);
    }
    std::fill(out + kEnvelopeHeaderSize + inLength, out + total, kPaddingByte);

    for (std::size_t offset = 0; offset < total; offset += kBlock) {
        if (!context.EncryptBlock(out + offset)) {
            platform::WipeBytes(out, total);
            *outLength = 0;
            return kCipherEngineFailed;
        }
    }
    *outLength = total;
    return kCipherOk;
}

std::uint32_t DecryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in,
                                    std::size_t inLength, std::uint8_t* out, std::size_t* outLength) {
    if (outLength == nullptr) {
        return kCipherNoLengthOut;
    }
    if ((in == nullptr && inLength != 0) || out == nullptr) {
        return kCipherNoBuffer;
    }
    if (inLength == 0 || inLength % kBlock != 0) {
        *outLength = 0;
        return kCipherBadEnvelope;
    }
    if (*outLength < inLength - 6) {
        *outLength = inLength - 6;
        return kCipherBufferTooSmall;
    }

    std::size_t written = 0;
    const auto fail = [&](std::uint32_t status) {
        platform::WipeBytes(out, written);
        *outLength = 0;
        return status;
    };

    WipedBlock block;
    std::memcpy(block.bytes.data(), in, kBlock);
    if (!context.DecryptBlock(block.bytes.data())) {
        return fail(kCipherEngineFailed);
    }
    if (block.bytes[0] != kHeaderByte) {
        return fail(kCipherBadEnvelope);
    }
    const std::size_t dataLength = (static_cast<std::uint32_t>(block.bytes[1]) << 24) |
                                   (static_cast<std::uint32_t>(block.bytes[2]) << 16) |
                                   (static_cast<std::uint32_t>(block.bytes[3]) << 8) | block.bytes[4];
    // At least one and at most eight padding bytes; they then all lie in the last block.
    if (dataLength >= inLength - kEnvelopeHeaderSize ||
        inLength - kEnvelopeHeaderSize - dataLength > kBlock) {
        return fail(kCipherBadEnvelope);
    }

    const std::size_t dataEnd = kEnvelopeHeaderSize + dataLength;
    for (std::size_t offset = 0; offset < inLength; offset += kBlock) {
        if (offset != 0) {
            std::memcpy(block.bytes.data(), in + offset, kBlock);
            if (!context.DecryptBlock(block.bytes.data())) {
                return fail(kCipherEngineFailed);
            }
        }
        for (std::size_t i = 0; i < kBlock; ++i) {
            const std::size_t position = offset + i;
            if (position < kEnvelopeHeaderSize) {
                continue;
            }
            if (position < dataEnd) {
                out[written++] = block.bytes[i];
            } else if (block.bytes[i] != kPaddingByte) {
                return fail(kCipherBadEnvelope);
            }
        }
    }
    *outLength = written;
    return kCipherOk;
}

bool EncryptEnvelope(const CCipherContext& context, const CByteArray& data, CByteArray& out) noexcept {
    out.clear();
    try {
        if (data.size() > kMaxDataLength) {
            return false;
        }
        CByteArray work(data.size() + kEnvelopeOverhead);
        std::size_t length = work.size();
        if (EncryptEnvelopeBuffer(context, data.data(), data.size(), work.data(), &length) != kCipherOk) {
            return false;
        }
        work.resize(length);
        out = std::move(work);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool DecryptEnvelope(const CCipherContext& context, const CByteArray& envelope, CByteArray& out) noexcept {
    out.clear();
    if (envelope.empty()) {
        return true;
    }
    // Too short to hold even the header: not an envelope, and not an empty one either.
    if (envelope.size() <= 6) {
        return false;
    }
    try {
        CByteArray work(envelope.size() - 6);
        std::size_t length = work.size();
        if (DecryptEnvelopeBuffer(context, envelope.data(), envelope.size(), work.data(), &length) !=
            kCipherOk) {
            return false;
        }
        // Only the unused tail of the work buffer goes; it never held plain text.
        work.resize(length);
        out = std::move(work);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace tessaly
