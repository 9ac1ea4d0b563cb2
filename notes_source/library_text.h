#pragma once
// The byte-level text services of the Notes library file: checking that the file is UTF-8,
// rewriting the little that JSON allows but the parser refuses, and naming a place in the file by
// line and column.
//
// The parser refuses an escaped lone surrogate ("\ud800") and a number too large for a double
// (1e400), yet the format allows both. prepareForParser() rewrites them in place, keeping every
// length and line break, so that places in the file stay right:
// - a lone surrogate escape becomes "\ufffd": the U+FFFD it is on disk and on screen anyway,
//   one code unit like the surrogate, so no length or limit counts differently;
// - a huge number becomes "0" and spaces, and is returned so that the reader can show it as
//   written.
//
//   std::string bytes = ...;
//   if (auto bad = firstInvalidUtf8(bytes)) { report(lineAndColumn(bytes, *bad)); }
//   auto hugeNumbers = prepareForParser(bytes);
//   ... parse ...

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::library_text {

// The offset of the first byte that is not well-formed UTF-8, or of the first NUL byte (which
// no JSON text holds and which would end the parser's input early); none when all is well.
std::optional<std::uint64_t> firstInvalidUtf8(std::string_view bytes);

// A number that prepareForParser() replaced: where it starts and how it was written.
struct HugeNumber {
    std::uint64_t offset;
    std::string text;
};

// Rewrites lone surrogate escapes and huge numbers as described above; answers the numbers in
// file order. Expects text that firstInvalidUtf8() accepted; what is not JSON stays not JSON.
std::vector<HugeNumber> prepareForParser(std::string& bytes);

// How many bytes at the start of `bytes`, inside a string, the parser takes as they are: up to
// the first quote, backslash or control character.
std::size_t plainStringRun(std::string_view bytes);

// The 1-based line and column of a byte offset; columns count characters.
struct LineAndColumn {
    std::uint64_t line;
    std::uint64_t column;
};
LineAndColumn lineAndColumn(std::string_view bytes, std::uint64_t offset);

}  // namespace quillmere::library_text
