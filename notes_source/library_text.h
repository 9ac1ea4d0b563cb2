#pragma once
// The byte-level text services of the Notes library file: checking that the file is UTF-8,
// keeping JSON escapes of lone surrogates, turning stored strings into Text, and naming a place
// in the file by line and column.
//
// A JSON parser either rejects "\ud800" or replaces it, yet Notes can hold such a code unit, so
// the file keeps it. Before parsing, keepLoneSurrogateEscapes() rewrites each lone surrogate
// escape (6 bytes) into the same number of bytes that the parser copies verbatim: the surrogate
// in the generalized UTF-8 form (3 bytes, which valid UTF-8 never holds) followed by three
// kStoredFiller bytes (which UTF-8 never holds either). storedToText() reads this form back.
//
//   std::string bytes = ...;
//   if (auto bad = firstInvalidUtf8(bytes)) { report(lineAndColumn(bytes, *bad)); }
//   keepLoneSurrogateEscapes(bytes);
//   ... parse, keeping strings as bytes ...
//   Text title = storedToText(stored);   // "\ud800" reads as the one code unit 0xD800

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/text.h"

namespace quillmere::library_text {

// A byte that pads a rewritten escape; storedToText() skips it.
inline constexpr char kStoredFiller = '\xFF';

// The offset of the first byte that is not well-formed UTF-8, or of the first NUL byte (which
// no JSON text holds and which would end the parser's input early); none when all is well.
std::optional<std::uint64_t> firstInvalidUtf8(std::string_view bytes);

// Rewrites, in place and without changing any length or line break, every JSON escape of a lone
// surrogate inside a string. Escaped surrogate pairs are left to the parser. Expects text that
// firstInvalidUtf8() accepted; in text that is not JSON it rewrites nothing the parser accepts.
void keepLoneSurrogateEscapes(std::string& bytes);

// UTF-16 for a string stored by the parser: UTF-8 whose surrogates may stand alone in their
// generalized 3-byte form, with kStoredFiller bytes to skip. Anything else ill-formed reads as
// U+FFFD.
Text storedToText(std::string_view stored);

// The 1-based line and column of a byte offset; columns count characters, except that a
// rewritten escape counts as the 6 characters it was written with.
struct LineAndColumn {
    std::uint64_t line;
    std::uint64_t column;
};
LineAndColumn lineAndColumn(std::string_view bytes, std::uint64_t offset);

}  // namespace quillmere::library_text
