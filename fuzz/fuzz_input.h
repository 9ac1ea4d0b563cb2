#pragma once
// Turns a fuzzer's bytes into the texts a target needs. Input that starts with 0xFF is taken as
// raw UTF-16 (little-endian), so that lone surrogates reach the code; any other as UTF-8. A 0x00
// byte splits the input into several texts.
//
//   auto parts = fuzz::split(data, size);        // {"a", "b"} for "a\0b"
//   Text title = fuzz::toText(parts[0]);

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/text/text.h"

namespace quillmere::fuzz {

inline std::vector<std::string_view> split(const std::uint8_t* data, std::size_t size,
                                           std::size_t atMost = 8) {
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (parts.size() + 1 < atMost) {
        const std::size_t zero = rest.find('\0');
        if (zero == std::string_view::npos) break;
        parts.push_back(rest.substr(0, zero));
        rest.remove_prefix(zero + 1);
    }
    parts.push_back(rest);
    return parts;
}

inline Text toText(std::string_view bytes) {
    if (bytes.empty() || static_cast<unsigned char>(bytes[0]) != 0xFF) {
        return text::fromUtf8(bytes);
    }
    Text units;
    for (std::size_t i = 1; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return units;
}

}  // namespace quillmere::fuzz
