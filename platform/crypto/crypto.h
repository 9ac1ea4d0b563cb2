#pragma once
// The cryptographic primitives the sources need, each a thin call into OpenSSL's libcrypto:
// PBKDF2 with HMAC-SHA1 or HMAC-SHA256, AES key unwrap (RFC 3394), AES-GCM decryption and
// digests. Nothing here is written by hand; every function checks its sizes before it calls in
// and answers std::nullopt for anything OpenSSL refuses, so hostile parameters never crash.
//
//   auto kek = crypto::pbkdf2(crypto::Digest::sha256, password, salt, 20000, 16, 1'000'000);
//   auto key = kek ? crypto::aesKeyUnwrap(*kek, wrappedKey) : std::nullopt;
//   auto plain = key ? crypto::aesGcmDecrypt(*key, iv, aad, ciphertext, tag) : std::nullopt;

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/crypto/secure_bytes.h"

namespace quillmere::crypto {

using ByteView = std::span<const std::uint8_t>;

inline ByteView bytesOf(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}
template <class Allocator>
ByteView bytesOf(const std::vector<std::uint8_t, Allocator>& bytes) {
    return {bytes.data(), bytes.size()};
}

enum class Digest { sha1, sha256 };

// The digest of `data`: 20 bytes for SHA-1, 32 for SHA-256.
std::vector<std::uint8_t> digest(Digest algorithm, ByteView data);

// PBKDF2 with HMAC over `algorithm` (RFC 8018), `keyLength` bytes. std::nullopt when
// `iterations` is 0 or above `maxIterations` (checked before any work, so that a hostile count
// costs nothing), when `keyLength` is 0 or above 1024, or when OpenSSL fails.
std::optional<SecureBytes> pbkdf2(Digest algorithm, ByteView password, ByteView salt,
                                  std::uint64_t iterations, std::size_t keyLength,
                                  std::uint64_t maxIterations);

// AES key unwrap (RFC 3394, default initial value) of `wrapped` with a 16-, 24- or 32-byte
// key-encrypting key. The unwrapped key is 8 bytes shorter than `wrapped`. std::nullopt when the
// sizes are wrong (`wrapped` must be a multiple of 8 bytes, at least 24) or the integrity check
// fails (a wrong password gives a wrong key-encrypting key).
std::optional<SecureBytes> aesKeyUnwrap(ByteView keyEncryptingKey, ByteView wrapped);

// AES-GCM decryption with a 16-, 24- or 32-byte key, an IV of any length from 1 to 256 bytes (set
// explicitly: GCM's default is 12), additional authenticated data `aad` (may be empty) and a tag
// of 12 to 16 bytes. std::nullopt when the sizes are wrong or the tag does not match, and then no
// byte of unauthenticated plaintext is handed out.
std::optional<SecureBytes> aesGcmDecrypt(ByteView key, ByteView iv, ByteView aad,
                                         ByteView ciphertext, ByteView tag);

}  // namespace quillmere::crypto
