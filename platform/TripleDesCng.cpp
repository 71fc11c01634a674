#include "platform/TripleDes.h"

#include <algorithm>
#include <array>

#include "platform/WindowsBase.h"
// bcrypt.h needs the base types of windows.h.
#include <bcrypt.h>

namespace tessaly::platform {

namespace {

struct AlgorithmClose {
    void operator()(BCRYPT_ALG_HANDLE handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct KeyDestroy {
    void operator()(BCRYPT_KEY_HANDLE handle) const { BCryptDestroyKey(handle); }
};
using AlgorithmHandle = std::unique_ptr<void, AlgorithmClose>;
using KeyHandle = std::unique_ptr<void, KeyDestroy>;

using Block = std::array<UCHAR, CTripleDes::kBlockSize>;
constexpr ULONG kBlockBytes = static_cast<ULONG>(CTripleDes::kBlockSize);

}  // namespace

struct CTripleDes::Impl {
    std::array<UCHAR, kKeySize> key{};
    AlgorithmHandle algorithm;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() { SecureZeroMemory(key.data(), key.size()); }

    // Wine's CNG has no Triple DES in ECB mode. One block in CBC mode with a zero IV is the ECB
    // result, provided every block gets a freshly made key object: the IV chains through the key
    // object, and Wine refuses a reused one.
    bool Run(bool encrypt, const std::uint8_t* in, std::uint8_t* out) {
        bool ok = false;
        Block input{};
        Block result{};
        BCRYPT_KEY_HANDLE rawKey = nullptr;
        if (algorithm &&
            BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm.get(), &rawKey, nullptr, 0, key.data(),
                                                      static_cast<ULONG>(key.size()), 0))) {
            KeyHandle keyHandle(rawKey);
            std::copy(in, in + kBlockSize, input.begin());
            Block iv{};  // never a null IV in CBC mode
            ULONG written = 0;
            const NTSTATUS status =
                encrypt ? BCryptEncrypt(keyHandle.get(), input.data(), kBlockBytes, nullptr, iv.data(),
                                        kBlockBytes, result.data(), kBlockBytes, &written, 0)
                        : BCryptDecrypt(keyHandle.get(), input.data(), kBlockBytes, nullptr, iv.data(),
                                        kBlockBytes, result.data(), kBlockBytes, &written, 0);
            ok = BCRYPT_SUCCESS(status) && written == kBlockBytes;
        }
        std::copy(result.begin(), result.end(), out);
        if (!ok) {
            std::fill(out, out + kBlockSize, std::uint8_t{0});
        }
        SecureZeroMemory(input.data(), input.size());
        SecureZeroMemory(result.data(), result.size());
        return ok;
    }
};

CTripleDes::CTripleDes(std::span<const std::uint8_t, kKeySize> key) : m_impl(std::make_unique<Impl>()) {
    std::copy(key.begin(), key.end(), m_impl->key.begin());
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_3DES_ALGORITHM, nullptr, 0))) {
        return;
    }
    AlgorithmHandle algorithm(rawAlgorithm);
    wchar_t mode[] = BCRYPT_CHAIN_MODE_CBC;
    if (!BCRYPT_SUCCESS(BCryptSetProperty(algorithm.get(), BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(mode), static_cast<ULONG>(sizeof(mode)),
                                          0))) {
        return;
    }
    m_impl->algorithm = std::move(algorithm);
}

CTripleDes::~CTripleDes() = default;

bool CTripleDes::IsReady() const {
    return m_impl->algorithm != nullptr;
}

bool CTripleDes::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    return m_impl->Run(true, in, out);
}

bool CTripleDes::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    return m_impl->Run(false, in, out);
}

void WipeBytes(void* data, std::size_t size) {
    if (data != nullptr) {
        SecureZeroMemory(data, size);
    }
}

}  // namespace tessaly::platform
