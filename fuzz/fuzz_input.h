#pragma once
// Turns a fuzzer's bytes into the texts a target needs. Input that starts with 0xFF is taken as
// raw UTF-16 (little-endian), so that lone surrogates reach the code; any other as UTF-8. A 0x00
// byte splits the input into several texts. Bytes for the Notes database's decoders are gzipped,
// as the database stores a note's data (the note body's tests build damaged data this way too).
//
//   auto parts = fuzz::split(data, size);        // {"a", "b"} for "a\0b"
//   Text title = fuzz::toText(parts[0]);

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
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

inline std::string gzip(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace quillmere::fuzz
