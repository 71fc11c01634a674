// Triple DES with three keys (encryption E-D-E) on independent 8-byte blocks, from the platform's
// crypto library: OpenSSL libcrypto on POSIX, CNG on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tessaly::platform {

class CTripleDes {
public:
    static constexpr std::size_t kBlockSize = 8;
    static constexpr std::size_t kKeySize = 24;

    // K1, K2, K3 in this order. A key the platform refuses leaves the object not ready.
    explicit CTripleDes(std::span<const std::uint8_t, kKeySize> key);
    ~CTripleDes();
    CTripleDes(const CTripleDes&) = delete;
    CTripleDes& operator=(const CTripleDes&) = delete;

    // False when the platform cipher could not be set up; every block operation then fails.
    bool IsReady() const;

    // One block, `in` and `out` may be the same. False when the platform cipher failed; `out` is
    // then zeroed. Safe to call from several threads at once.
    bool EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const;
    bool DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Overwrites key material and plain text in a way the optimiser keeps.
void WipeBytes(void* data, std::size_t size);

}  // namespace tessaly::platform
