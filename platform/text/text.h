#pragma once
// The text type of the whole system and the basic string services on it.
//
// Text is a sequence of UTF-16 code units; every position, length and range
// counts code units from 0. A search that finds nothing answers `kNotFound`,
// which no real position can equal. Conversions to UTF-8 never produce invalid
// UTF-8: a lone surrogate is written as U+FFFD.
//
//   Text title = text::fromUtf8("Pancakes 🥞");
//   if (text::hasPrefix(title, u"Pan")) { ... }
//   std::string onDisk = text::toUtf8(title);

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace quillmere {

using Text = std::u16string;
using TextView = std::u16string_view;

// The position a search answers when it finds nothing.
inline constexpr std::uint64_t kNotFound = std::numeric_limits<std::int64_t>::max();

struct Range {
    std::uint64_t location;
    std::uint64_t length;

    constexpr std::uint64_t end() const { return location + length; }
    friend constexpr bool operator==(const Range&, const Range&) = default;
};

// A range that stands for "nothing found".
inline constexpr Range kNotFoundRange{kNotFound, 0};

namespace text {

// UTF-8 to UTF-16. Ill-formed UTF-8 sequences become U+FFFD.
Text fromUtf8(std::string_view utf8);

// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD, so the result is always valid UTF-8.
std::string toUtf8(TextView text);

// Whether `text` begins (ends) with `prefix` (`suffix`); an empty prefix or suffix counts as
// a match, unlike the path utilities' own prefix test.
bool hasPrefix(TextView text, TextView prefix);
bool hasSuffix(TextView text, TextView suffix);

// The first occurrence of `needle` lying wholly inside `within` (case-sensitive, code unit by
// code unit), or kNotFoundRange. An empty needle is never found. `within` is clamped to the text.
Range rangeOfString(TextView text, TextView needle, Range within);
Range rangeOfString(TextView text, TextView needle);

// Replaces every non-overlapping occurrence of `target`, scanning from the start; answers the
// number of replacements. An empty target replaces nothing.
std::uint64_t replaceOccurrences(Text& text, TextView target, TextView replacement);

// The position of the first code unit at or after `from` that is `a` or `b`, or text.size()
// when there is none. The passes over a whole note look for their few markers with it, several
// units at a time.
std::size_t findEither(TextView text, std::size_t from, char16_t a, char16_t b);
// The position of the first code unit at or after `from` that is one of `units`, or
// text.size() when there is none; like findEither, several units at a time.
std::size_t findAnyOf(TextView text, std::size_t from, TextView units);
inline std::size_t findUnit(TextView text, std::size_t from, char16_t unit) {
    return findEither(text, from, unit, unit);
}
// The position of the first `first` at or after `from` that the unit `secondA` or `secondB`
// follows, or text.size() when there is none: a tag of one name ("<b", "<B") without a stop at
// every other tag.
std::size_t findPair(TextView text, std::size_t from, char16_t first, char16_t secondA,
                     char16_t secondB);

// The code point that starts at `index` (a surrogate pair read as one code point, a lone
// surrogate as itself) and the number of code units it takes (1 or 2).
struct CodePoint {
    char32_t value;
    std::uint32_t length;
};
// Inline: the link scanner asks for every character of every note.
inline CodePoint codePointAt(TextView text, std::uint64_t index) {
    const char16_t unit = text[index];
    if (unit >= 0xD800 && unit <= 0xDBFF && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
        text[index + 1] <= 0xDFFF) {
        return CodePoint{0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[index + 1] - 0xDC00),
                         2};
    }
    return CodePoint{unit, 1};
}

// Canonical decomposition (NFD).
Text decomposedCanonical(TextView text);

// The full default lower-case mapping of Unicode, independent of locale.
Text lowercased(TextView text);

}  // namespace text
}  // namespace quillmere
