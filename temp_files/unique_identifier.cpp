#include "temp_files/unique_identifier.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <random>

namespace quillmere::UniqueIdentifier {

namespace {

using Bytes = std::array<std::uint8_t, 16>;

void fillRandomly(Bytes& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t result = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        filled += static_cast<std::size_t>(result);
    }
    if (filled < bytes.size()) {
        // Kernels without getrandom: the library's own source of randomness.
        std::random_device device;
        for (std::size_t i = filled; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(device());
        }
    }
}

}  // namespace

Text newUniqueIdentifier() {
    Bytes bytes;
    fillRandomly(bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    Text identifier;
    identifier.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        identifier += kHex[byte >> 4];
        identifier += kHex[byte & 0x0f];
    }
    return identifier;
}

}  // namespace quillmere::UniqueIdentifier
