#pragma once
// Gzip in memory, the form in which the Notes database stores a note's data: the note store
// fuzzer passes its bytes to the decoders this way, and the note body's tests build damaged data.

#include <zlib.h>

#include <string>

namespace quillmere::fuzz {

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
