#include "platform/crypto/aes_cbc_decryptor.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>

namespace quillmere::crypto {

namespace {

const EVP_CIPHER* cbcCipher(std::size_t keyLength) {
    switch (keyLength) {
        case 16:
            return EVP_aes_128_cbc();
        case 24:
            return EVP_aes_192_cbc();
        case 32:
            return EVP_aes_256_cbc();
        default:
            return nullptr;
    }
}

// OpenSSL counts in int: feed it at most this much at a time.
constexpr std::size_t kPiece = std::size_t{1} << 20;

}  // namespace

struct AesCbcDecryptor::Context {
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    ~Context() { EVP_CIPHER_CTX_free(cipher); }
};

AesCbcDecryptor::AesCbcDecryptor(ByteView key, ByteView iv, bool padding) {
    const EVP_CIPHER* cipher = cbcCipher(key.size());
    if (!cipher || !(iv.empty() || iv.size() == 16)) return;
    static const std::uint8_t kZeroIv[16] = {};
    auto context = std::make_unique<Context>();
    if (!context->cipher ||
        EVP_DecryptInit_ex(context->cipher, cipher, nullptr, key.data(),
                           iv.empty() ? kZeroIv : iv.data()) != 1 ||
        EVP_CIPHER_CTX_set_padding(context->cipher, padding ? 1 : 0) != 1) {
        return;
    }
    context_ = std::move(context);
}

AesCbcDecryptor::~AesCbcDecryptor() = default;

bool AesCbcDecryptor::update(ByteView ciphertext, std::vector<std::uint8_t>& out) {
    if (!context_) return false;
    while (!ciphertext.empty()) {
        const ByteView piece = ciphertext.first(std::min(ciphertext.size(), kPiece));
        const std::size_t start = out.size();
        out.resize(start + piece.size() + 16);
        int written = 0;
        if (EVP_DecryptUpdate(context_->cipher, out.data() + start, &written, piece.data(),
                              static_cast<int>(piece.size())) != 1) {
            out.resize(start);
            context_.reset();
            return false;
        }
        out.resize(start + static_cast<std::size_t>(written));
        ciphertext = ciphertext.subspan(piece.size());
    }
    return true;
}

bool AesCbcDecryptor::finish(std::vector<std::uint8_t>& out) {
    if (!context_) return false;
    const std::size_t start = out.size();
    out.resize(start + 16);
    int written = 0;
    const bool ok = EVP_DecryptFinal_ex(context_->cipher, out.data() + start, &written) == 1;
    out.resize(start + (ok ? static_cast<std::size_t>(written) : 0));
    context_.reset();
    return ok;
}

}  // namespace quillmere::crypto
