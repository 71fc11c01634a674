#include "platform/TripleDes.h"

#include <algorithm>
#include <array>
#include <mutex>

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace tessaly::platform {

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
};
struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherPtr = std::unique_ptr<EVP_CIPHER, CipherFree>;
using ContextPtr = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

// A keyed context without padding: in ECB mode each whole block then comes out at once and no state
// carries over from one update to the next.
ContextPtr MakeContext(const EVP_CIPHER* cipher, const std::uint8_t* key, bool encrypt) {
    ContextPtr context(EVP_CIPHER_CTX_new());
    if (!context || EVP_CipherInit_ex2(context.get(), cipher, key, nullptr, encrypt ? 1 : 0, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return nullptr;
    }
    return context;
}

}  // namespace

struct CTripleDes::Impl {
    std::mutex lock;  // an EVP context must not be updated by two threads at once
    ContextPtr encrypt;
    ContextPtr decrypt;

    bool Run(EVP_CIPHER_CTX* context, const std::uint8_t* in, std::uint8_t* out) {
        std::array<unsigned char, kBlockSize> result{};
        bool ok = false;
        if (context != nullptr) {
            int written = 0;
            const std::lock_guard<std::mutex> guard(lock);
            ok = EVP_CipherUpdate(context, result.data(), &written, in, static_cast<int>(kBlockSize)) == 1 &&
                 written == static_cast<int>(kBlockSize);
        }
        std::copy(result.begin(), result.end(), out);
        if (!ok) {
            std::fill(out, out + kBlockSize, std::uint8_t{0});
        }
        OPENSSL_cleanse(result.data(), result.size());
        return ok;
    }
};

CTripleDes::CTripleDes(std::span<const std::uint8_t, kKeySize> key) : m_impl(std::make_unique<Impl>()) {
    // Three-key Triple DES is in OpenSSL 3's default provider; only single DES needs the legacy one.
    const CipherPtr cipher(EVP_CIPHER_fetch(nullptr, "DES-EDE3-ECB", nullptr));
    if (!cipher) {
        return;
    }
    ContextPtr encrypt = MakeContext(cipher.get(), key.data(), true);
    ContextPtr decrypt = MakeContext(cipher.get(), key.data(), false);
    if (encrypt && decrypt) {
        m_impl->encrypt = std::move(encrypt);
        m_impl->decrypt = std::move(decrypt);
    }
}

CTripleDes::~CTripleDes() = default;

bool CTripleDes::IsReady() const {
    return m_impl->encrypt != nullptr;
}

bool CTripleDes::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    return m_impl->Run(m_impl->encrypt.get(), in, out);
}

bool CTripleDes::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const {
    return m_impl->Run(m_impl->decrypt.get(), in, out);
}

void WipeBytes(void* data, std::size_t size) {
    if (data != nullptr) {
        OPENSSL_cleanse(data, size);
    }
}

}  // namespace tessaly::platform
