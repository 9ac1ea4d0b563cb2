#include "platform/crypto/crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace quillmere {

void cleanseMemory(void* data, std::size_t size) {
    if (data && size) OPENSSL_cleanse(data, size);
}

}  // namespace quillmere

namespace quillmere::crypto {

namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

const EVP_MD* messageDigest(Digest algorithm) {
    return algorithm == Digest::sha1 ? EVP_sha1() : EVP_sha256();
}

const EVP_CIPHER* keyWrapCipher(std::size_t keyLength) {
    switch (keyLength) {
        case 16:
            return EVP_aes_128_wrap();
        case 24:
            return EVP_aes_192_wrap();
        case 32:
            return EVP_aes_256_wrap();
        default:
            return nullptr;
    }
}

const EVP_CIPHER* gcmCipher(std::size_t keyLength) {
    switch (keyLength) {
        case 16:
            return EVP_aes_128_gcm();
        case 24:
            return EVP_aes_192_gcm();
        case 32:
            return EVP_aes_256_gcm();
        default:
            return nullptr;
    }
}

// OpenSSL counts in int; everything we hand it must fit.
bool fitsInt(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

}  // namespace

std::vector<std::uint8_t> digest(Digest algorithm, ByteView data) {
    std::vector<std::uint8_t> out(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out.data(), &length, messageDigest(algorithm),
                   nullptr) != 1) {
        return {};
    }
    out.resize(length);
    return out;
}

std::optional<SecureBytes> pbkdf2(Digest algorithm, ByteView password, ByteView salt,
                                  std::uint64_t iterations, std::size_t keyLength,
                                  std::uint64_t maxIterations) {
    if (iterations == 0 || iterations > maxIterations || iterations > INT_MAX) return std::nullopt;
    if (keyLength == 0 || keyLength > 1024) return std::nullopt;
    if (!fitsInt(password.size()) || !fitsInt(salt.size())) return std::nullopt;
    SecureBytes key(keyLength);
    // OpenSSL reads no byte of an empty password, but wants a pointer all the same.
    static const char kEmpty = 0;
    const char* passwordData =
        password.empty() ? &kEmpty : reinterpret_cast<const char*>(password.data());
    if (PKCS5_PBKDF2_HMAC(passwordData, static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), static_cast<int>(iterations),
                          messageDigest(algorithm), static_cast<int>(keyLength), key.data()) != 1) {
        return std::nullopt;
    }
    return key;
}

std::optional<SecureBytes> aesKeyUnwrap(ByteView keyEncryptingKey, ByteView wrapped) {
    const EVP_CIPHER* cipher = keyWrapCipher(keyEncryptingKey.size());
    if (!cipher || wrapped.size() < 24 || wrapped.size() % 8 != 0 || !fitsInt(wrapped.size())) {
        return std::nullopt;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return std::nullopt;
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, keyEncryptingKey.data(), nullptr) != 1) {
        return std::nullopt;
    }
    SecureBytes key(wrapped.size() + 8);  // OpenSSL may want a block more than it writes
    int length = 0;
    if (EVP_DecryptUpdate(context.get(), key.data(), &length, wrapped.data(),
                          static_cast<int>(wrapped.size())) != 1 ||
        length != static_cast<int>(wrapped.size() - 8)) {
        return std::nullopt;
    }
    int finalLength = 0;
    if (EVP_DecryptFinal_ex(context.get(), key.data() + length, &finalLength) != 1) {
        return std::nullopt;
    }
    key.resize(static_cast<std::size_t>(length + finalLength));
    return key;
}

std::optional<SecureBytes> aesGcmDecrypt(ByteView key, ByteView iv, ByteView aad,
                                         ByteView ciphertext, ByteView tag) {
    const EVP_CIPHER* cipher = gcmCipher(key.size());
    if (!cipher || iv.empty() || iv.size() > 256 || tag.size() < 12 || tag.size() > 16 ||
        !fitsInt(aad.size()) || !fitsInt(ciphertext.size())) {
        return std::nullopt;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()),
                            nullptr) != 1 ||
        EVP_DecryptInit_ex(context.get(), nullptr, nullptr, key.data(), iv.data()) != 1) {
        return std::nullopt;
    }
    int length = 0;
    if (!aad.empty() && EVP_DecryptUpdate(context.get(), nullptr, &length, aad.data(),
                                          static_cast<int>(aad.size())) != 1) {
        return std::nullopt;
    }
    SecureBytes plain(ciphertext.size() + 16);
    int written = 0;
    if (!ciphertext.empty() &&
        EVP_DecryptUpdate(context.get(), plain.data(), &written, ciphertext.data(),
                          static_cast<int>(ciphertext.size())) != 1) {
        return std::nullopt;
    }
    // The tag is only read, although the call's signature takes a mutable pointer.
    std::vector<std::uint8_t> expectedTag(tag.begin(), tag.end());
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG,
                            static_cast<int>(expectedTag.size()), expectedTag.data()) != 1) {
        return std::nullopt;
    }
    int finalLength = 0;
    if (EVP_DecryptFinal_ex(context.get(), plain.data() + written, &finalLength) != 1) {
        return std::nullopt;  // `plain` is cleared as it goes
    }
    plain.resize(static_cast<std::size_t>(written + finalLength));
    return plain;
}

}  // namespace quillmere::crypto
