#include "platform/crypto/crypto.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/crypto/aes_cbc_decryptor.h"

namespace quillmere::crypto {
namespace {

std::string hex(const std::string& digits) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string hexOf(std::optional<SecureBytes> bytes) {
    if (!bytes) return "(none)";
    std::string out;
    for (auto b : *bytes) {
        static const char kDigits[] = "0123456789abcdef";
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

TEST(Crypto, DerivesKeysWithPbkdf2AndRefusesCountsOverTheCap) {
    struct Row {
        const char* name;
        Digest digest;
        std::string password, saltHex;
        std::uint64_t iterations, maxIterations;
        std::size_t length;
        std::string expected;
    };
    const std::string salt = "1165106b6b288bda1e6ecb18e65c7876";
    const std::string kek = "652be86143348a6e0106095880bcf31b";
    const Row rows[] = {
        {"locked_note_known_answer", Digest::sha256, "password", salt, 20000, 20000, 16, kek},
        {"salt_last_byte_changed", Digest::sha256, "password", "1165106b6b288bda1e6ecb18e65c7875",
         20000, 20000, 16, "(other)"},
        {"one_iteration_fewer", Digest::sha256, "password", salt, 19999, 20000, 16, "(other)"},
        {"rfc6070_sha1", Digest::sha1, "password", "73616c74", 2, 10, 20,
         "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"sha256_long_key", Digest::sha256, "password", "73616c74", 2, 10, 32,
         "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
        {"over_the_cap", Digest::sha256, "password", salt, 20001, 20000, 16, "(none)"},
        {"hostile_count", Digest::sha256, "password", salt, 0xffffffffffffull, 1000000, 16,
         "(none)"},
        {"zero_iterations", Digest::sha256, "password", salt, 0, 20000, 16, "(none)"},
        {"zero_length", Digest::sha256, "password", salt, 1, 20000, 0, "(none)"},
    };
    for (const Row& row : rows) {
        const std::string saltBytes = hex(row.saltHex);
        const std::string got = hexOf(pbkdf2(row.digest, bytesOf(row.password), bytesOf(saltBytes),
                                             row.iterations, row.length, row.maxIterations));
        if (row.expected == "(other)") {
            EXPECT_NE(got, kek) << row.name;
            EXPECT_EQ(got.size(), 32u) << row.name;
        } else {
            EXPECT_EQ(got, row.expected) << row.name;
        }
    }
}

TEST(Crypto, UnwrapsKeysAndRefusesOnesThatFailTheIntegrityCheck) {
    struct Row {
        const char* name;
        std::string kek, wrapped, expected;
    };
    const std::string kek128 = "652be86143348a6e0106095880bcf31b";
    const std::string kek256 = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
    const Row rows[] = {
        {"locked_note_known_answer", kek128, "98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9bff",
         "023aae7c450a283b23e3d7c1416ad644"},
        {"last_byte_changed", kek128, "98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9b9c", "(none)"},
        {"wrong_kek", "752be86143348a6e0106095880bcf31b",
         "98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9bff", "(none)"},
        {"kek_256_key_256", kek256,
         "ae1f5c4903aa6b0ed126e192d386858e62232df11eba66bf977e0d4f5acfa47541f0a6ff3cb849ed",
         "c8c9cacbcccdcecfd0d1d2d3d4d5d6d7d8d9dadbdcdddedfe0e1e2e3e4e5e6e7"},
        {"placeholder_of_16_bytes", kek128, "304a6d5ee50a73b5688a8f1f3d76e840", "(none)"},
        {"not_whole_blocks", kek128, "98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9b", "(none)"},
        {"kek_of_15_bytes", "652be86143348a6e0106095880bcf3",
         "98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9bff", "(none)"},
    };
    for (const Row& row : rows) {
        const std::string kek = hex(row.kek), wrapped = hex(row.wrapped);
        EXPECT_EQ(hexOf(aesKeyUnwrap(bytesOf(kek), bytesOf(wrapped))), row.expected) << row.name;
    }
}

TEST(Crypto, DecryptsGcmWithTheIvLengthAndDataGiven) {
    struct Row {
        const char* name;
        std::string key, iv, aad, ciphertext, tag, expected;
    };
    const std::string key128 = "000102030405060708090a0b0c0d0e0f";
    const std::string key256 = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
    const std::string iv16 = "6465666768696a6b6c6d6e6f70717273";
    const std::string iv32 = "32333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d4e4f5051";
    const std::string aad = "6d65746164617461";  // "metadata"
    const Row rows[] = {
        {"aes128_iv16", key128, iv16, "", "4e99798ad1a1b53c085c8e2a51ff6ab8",
         "00e6f60853d318e3c4b047dd578520c2", "6c6f636b6564206e6f746520626f6479"},
        {"aes256_iv32_aad", key256, iv32, aad, "68a9c4525caf89658923",
         "e833de859952499286f093898f981705", "74686520736563726574"},
        {"empty_plaintext_iv12", key128, "000000000000000000000000", "", "",
         "7346139595c0b41e497bbde365f42d0a", ""},
        {"tag_changed", key128, iv16, "", "4e99798ad1a1b53c085c8e2a51ff6ab8",
         "00e6f60853d318e3c4b047dd578520c3", "(none)"},
        {"aad_missing", key256, iv32, "", "68a9c4525caf89658923",
         "e833de859952499286f093898f981705", "(none)"},
        {"ciphertext_changed", key256, iv32, aad, "69a9c4525caf89658923",
         "e833de859952499286f093898f981705", "(none)"},
        {"tag_too_short", key128, iv16, "", "4e99798ad1a1b53c085c8e2a51ff6ab8",
         "00e6f60853d318e3c4b047", "(none)"},
        {"no_iv", key128, "", "", "4e99798ad1a1b53c085c8e2a51ff6ab8",
         "00e6f60853d318e3c4b047dd578520c2", "(none)"},
    };
    for (const Row& row : rows) {
        const std::string k = hex(row.key), iv = hex(row.iv), a = hex(row.aad),
                          c = hex(row.ciphertext), t = hex(row.tag);
        auto plain = aesGcmDecrypt(bytesOf(k), bytesOf(iv), bytesOf(a), bytesOf(c), bytesOf(t));
        EXPECT_EQ(hexOf(plain), row.expected) << row.name;
    }
}

TEST(Crypto, DecryptsCbcInPiecesOfAnySizeAndChecksThePadding) {
    const std::string key = hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const std::string ciphertext = hex(
        "6d4a85762fddd7ea2c243bc2a0e1fcf39553def1d66470c4035e0006fd7a36f9390398cdffb68a17feb6b505af"
        "f7b93d");
    const std::string plaintext = "A backup file that spans more than two blocks.";
    struct Row {
        const char* name;
        std::vector<std::size_t> pieces;  // sizes fed in turn
        std::string key;
        bool ok;
    };
    std::string otherKey = key;
    otherKey[0] = 1;
    const Row rows[] = {
        {"whole", {48}, key, true},
        {"uneven_pieces", {1, 20, 0, 27}, key, true},
        {"last_block_cut", {47}, key, false},
        {"wrong_key", {48}, otherKey, false},
    };
    for (const Row& row : rows) {
        AesCbcDecryptor decryptor(bytesOf(row.key));
        EXPECT_TRUE(decryptor.ok()) << row.name;
        if (!decryptor.ok()) continue;
        std::vector<std::uint8_t> out;
        std::size_t at = 0;
        for (std::size_t size : row.pieces) {
            EXPECT_TRUE(
                decryptor.update(bytesOf(std::string_view(ciphertext).substr(at, size)), out))
                << row.name;
            at += size;
        }
        EXPECT_EQ(decryptor.finish(out), row.ok) << row.name;
        if (row.ok) {
            EXPECT_EQ(std::string(out.begin(), out.end()), plaintext) << row.name;
        }
    }
    EXPECT_FALSE(AesCbcDecryptor(bytesOf(key.substr(0, 20))).ok());
}

TEST(Crypto, DigestsAreSha1AndSha256) {
    const auto sha1 = digest(Digest::sha1, bytesOf("abc"));
    const auto sha256 = digest(Digest::sha256, bytesOf("abc"));
    EXPECT_EQ(std::string(sha1.begin(), sha1.end()),
              hex("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(std::string(sha256.begin(), sha256.end()),
              hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

}  // namespace
}  // namespace quillmere::crypto
