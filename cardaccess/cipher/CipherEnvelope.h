// The enciphered envelope that carries key material and protected card data between the host and
// the stations: 'E', a 4-byte big-endian length, the data and 1 to 8 padding bytes 'i', enciphered
// block by block with Triple DES (three keys, E-D-E) in ECB mode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Types.h"

namespace tessaly {

using StationKey = std::array<std::uint8_t, 24>;

// Two Triple DES schedules made from the 24-byte station key: K1-K2-K3 encryption and its inverse.
class CCipherContext {
public:
    explicit CCipherContext(const StationKey& key);
    ~CCipherContext();
    CCipherContext(const CCipherContext&) = delete;
    CCipherContext& operator=(const CCipherContext&) = delete;

    // One 8-byte block in place. False when the platform cipher failed.
    bool EncryptBlock(std::uint8_t* block) const;
    bool DecryptBlock(std::uint8_t* block) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Status codes of the buffer-level routine.
enum CipherStatus : std::uint32_t {
    kCipherOk = 0,
    kCipherNoLengthOut = 0x1000,     // no place for the output length was given
    kCipherNoBuffer = 0x1001,        // no input (with a non-zero length) or no output buffer
    kCipherBufferTooSmall = 0x1002,  // the needed size was stored in the output length
    kCipherBadEnvelope = 0x1003,     // not a valid envelope (decryption only)
};

// The buffer-level routine. `outLength` holds the capacity of `out` on entry and the length written
// (or, for kCipherBufferTooSmall, the length needed) on return.
std::uint32_t EncryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in, std::size_t inLength,
                                    std::uint8_t* out, std::size_t* outLength);
std::uint32_t DecryptEnvelopeBuffer(const CCipherContext& context, const std::uint8_t* in, std::size_t inLength,
                                    std::uint8_t* out, std::size_t* outLength);

// `out` is emptied first. False on any failure; nothing is thrown.
bool EncryptEnvelope(const CCipherContext& context, const CByteArray& data, CByteArray& out);
// An input of 6 bytes or fewer yields an empty `out` and true.
bool DecryptEnvelope(const CCipherContext& context, const CByteArray& envelope, CByteArray& out);

}  // namespace tessaly
