// The enciphered envelope that carries key material and protected card data between the host and
// the stations: 'E', a 4-byte big-endian length, the data and 1 to 8 padding bytes 'i', enciphered
// block by block with Triple DES (three keys, E-D-E) in ECB mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "protocol/cipher/StationKey.h"

namespace tessaly {

// The Triple DES encryption (E K1, D K2, E K3) and decryption schedules made from the station key.
// One context may be used by several threads at once.
class CCipherContext {
public:
    explicit CCipherContext(const StationKey& key);
    ~CCipherContext();
    CCipherContext(const CCipherContext&) = delete;
    CCipherContext& operator=(const CCipherContext&) = delete;

    // False when the platform cipher could not be set up; every operation then fails.
    bool IsReady() const;

    // One 8-byte block in place. False, with the block zeroed, when the platform cipher failed.
    bool EncryptBlock(std::uint8_t* block) const;
    bool DecryptBlock(std::uint8_t* block) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Status codes of the buffer-level routines.
inline constexpr std::uint32_t kCipherOk = 0;
inline constexpr std::uint32_t kCipherNoLengthOut = 0x1000;  // no place for the output length was given
inline constexpr std::uint32_t kCipherNoBuffer =
    0x1001;  // no input (with a non-zero length) or no output buffer
inline constexpr std::uint32_t kCipherBufferTooSmall =
    0x1002;  // the needed size was stored in the output length
inline constexpr std::uint32_t kCipherBadEnvelope =
    0x1003;  // not a valid envelope; for encryption: data over 4 GiB - 1
inline constexpr std::uint32_t kCipherEngineFailed = 0x1004;  // the platform's block cipher failed

// Header byte and length field in front of the data, and the most the padding can add.
inline constexpr std::size_t kEnvelopeHeaderSize = 5;
inline constexpr std::size_t kEnvelopeOverhead = kEnvelopeHeaderSize + 8;

// The buffer-level routines. `outLength` holds the capacity of `out` on entry. On return it holds
// the length written, or for kCipherBufferTooSmall the length needed (data length + 13 for
// encryption, envelope length - 6 for decryption), or 0 after any other failure. After a failure
// `out` holds no plain text. `in` and `out` must not overlap.
std::uint32_t EncryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in,
                                    std::size_t inLength, std::uint8_t* out, std::size_t* outLength);
std::uint32_t DecryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in,
                                    std::size_t inLength, std::uint8_t* out, std::size_t* outLength);

// `out` is emptied first and receives the enciphered envelope of `data`. False on any failure;
// nothing is thrown.
bool EncryptEnvelope(const CCipherContext& context, const CByteArray& data, CByteArray& out) noexcept;
// `out` is emptied first and receives the data of an enciphered envelope. An empty input gives an
// empty `out` and true; an input of 1 to 6 bytes is too short for an envelope and gives false.
// False on any failure; nothing is thrown.
bool DecryptEnvelope(const CCipherContext& context, const CByteArray& envelope, CByteArray& out) noexcept;

}  // namespace tessaly
