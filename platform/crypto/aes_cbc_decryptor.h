#pragma once
// AES-CBC decryption as a stream, for files too large to hold at once (an encrypted backup's
// files): feed the ciphertext in pieces of any size, collect the plaintext as it comes, then
// finish, which checks and removes the PKCS#7 padding.
//
//   AesCbcDecryptor decryptor(fileKey);            // 16- or 32-byte key, zero IV
//   std::vector<std::uint8_t> plain;
//   while (auto piece = next()) if (!decryptor.update(*piece, plain)) return fail();
//   if (!decryptor.finish(plain)) return fail();   // bad padding or a cut-off last block

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/crypto/crypto.h"

namespace quillmere::crypto {

class AesCbcDecryptor {
public:
    // A key of 16, 24 or 32 bytes; an IV of 16 bytes, or empty for 16 zero bytes. With `padding`
    // false the plaintext is every decrypted block, and the input must be whole blocks.
    explicit AesCbcDecryptor(ByteView key, ByteView iv = {}, bool padding = true);
    ~AesCbcDecryptor();
    AesCbcDecryptor(const AesCbcDecryptor&) = delete;
    AesCbcDecryptor& operator=(const AesCbcDecryptor&) = delete;

    // Whether the key and IV were accepted; a decryptor that is not ok() refuses every call.
    bool ok() const { return context_ != nullptr; }

    // Decrypts `ciphertext` and appends what plaintext is ready to `out`. False on a failure,
    // after which the decryptor refuses every call.
    bool update(ByteView ciphertext, std::vector<std::uint8_t>& out);

    // Appends the last plaintext to `out`. False when the input was not whole blocks or the
    // padding is wrong (a wrong key, damaged data).
    bool finish(std::vector<std::uint8_t>& out);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace quillmere::crypto
