#include "notes_source/library_text.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace quillmere::library_text {

namespace {

std::optional<char16_t> hex4(std::string_view bytes, std::size_t at) {
    if (at + 4 > bytes.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = bytes[i];
        value <<= 4;
        if (c >= '0' && c <= '9') {
            value |= static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            value |= static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            value |= static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
    }
    return static_cast<char16_t>(value);
}

// Eight bytes at a time: a library is mostly ASCII text inside strings, which the passes below
// only need to step over.
constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

std::uint64_t eightBytesAt(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

bool hasZeroByte(std::uint64_t word) { return ((word - kOnes) & ~word & kHighBits) != 0; }

bool hasByte(std::uint64_t word, unsigned char byte) { return hasZeroByte(word ^ (kOnes * byte)); }

// Exact for limits up to 0x80.
bool hasByteBelow(std::uint64_t word, unsigned char limit) {
    return ((word - kOnes * limit) & ~word & kHighBits) != 0;
}

bool endsPlainRun(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNumberCharacter(char c) {
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Whether the parser might find the number too large: more than 300 integer digits, or a
// positive exponent above 300. A few more than it refuses are caught; they read the same.
bool isHuge(std::string_view number) {
    std::size_t i = number.starts_with('-') ? 1 : 0;
    std::size_t integerDigits = 0;
    while (i < number.size() && isDigit(number[i])) ++i, ++integerDigits;
    if (integerDigits > 300) return true;
    const std::size_t e = number.find_first_of("eE", i);
    if (e == std::string_view::npos) return false;
    i = e + 1;
    if (i < number.size() && number[i] == '-') return false;
    if (i < number.size() && number[i] == '+') ++i;
    while (i < number.size() && number[i] == '0') ++i;
    std::size_t exponentDigits = 0;
    unsigned exponent = 0;
    for (; i < number.size() && isDigit(number[i]) && exponentDigits < 4; ++i, ++exponentDigits) {
        exponent = exponent * 10 + static_cast<unsigned>(number[i] - '0');
    }
    return exponentDigits >= 4 || exponent > 300;
}

}  // namespace

std::optional<std::uint64_t> firstInvalidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const auto length = static_cast<int64_t>(bytes.size());
    int64_t i = 0;
    while (i < length) {
        // ASCII runs are by far the most common; skip them without decoding.
        if (length - i >= 8) {
            const std::uint64_t word = eightBytesAt(bytes.data() + i);
            if ((word & kHighBits) == 0 && !hasZeroByte(word)) {
                i += 8;
                continue;
            }
        }
        if (s[i] < 0x80) {
            if (s[i] == 0) return static_cast<std::uint64_t>(i);
            ++i;
            continue;
        }
        const int64_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return static_cast<std::uint64_t>(start);
    }
    return std::nullopt;
}

std::size_t plainStringRun(std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t word = eightBytesAt(bytes.data() + i);
        if (hasByte(word, '"') || hasByte(word, '\\') || hasByteBelow(word, 0x20)) break;
    }
    while (i < bytes.size() && !endsPlainRun(bytes[i])) ++i;
    return i;
}

std::vector<HugeNumber> prepareForParser(std::string& bytes) {
    std::vector<HugeNumber> hugeNumbers;
    bool inString = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (!inString) {
            if (c == '"') {
                inString = true;
            } else if (c == '-' || isDigit(c)) {
                std::size_t end = i + 1;
                while (end < bytes.size() && isNumberCharacter(bytes[end])) ++end;
                const std::string_view number = std::string_view(bytes).substr(i, end - i);
                if (isHuge(number)) {
                    hugeNumbers.push_back(HugeNumber{i, std::string(number)});
                    bytes[i] = '0';
                    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              bytes.begin() + static_cast<std::ptrdiff_t>(end), ' ');
                }
                i = end;
                continue;
            }
            ++i;
            continue;
        }
        if (i + 8 <= bytes.size()) {
            const std::uint64_t word = eightBytesAt(bytes.data() + i);
            if (!hasByte(word, '"') && !hasByte(word, '\\')) {
                i += 8;
                continue;
            }
        }
        if (c == '"') {
            inString = false;
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= bytes.size()) {
            ++i;
            continue;
        }
        if (bytes[i + 1] != 'u') {
            i += 2;  // any other escape, including an escaped quote or backslash
            continue;
        }
        const auto unit = hex4(bytes, i + 2);
        if (!unit || !U16_IS_SURROGATE(*unit)) {
            i += 2;  // the parser reads (or rejects) it
            continue;
        }
        if (U16_IS_SURROGATE_LEAD(*unit) && i + 7 < bytes.size() && bytes[i + 6] == '\\' &&
            bytes[i + 7] == 'u') {
            const auto next = hex4(bytes, i + 8);
            if (next && U16_IS_TRAIL(*next)) {
                i += 12;  // a proper pair
                continue;
            }
        }
        bytes.replace(i + 2, 4, "fffd");
        i += 6;
    }
    return hugeNumbers;
}

LineAndColumn lineAndColumn(std::string_view bytes, std::uint64_t offset) {
    const auto end = static_cast<int64_t>(std::min<std::uint64_t>(offset, bytes.size()));
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    LineAndColumn place{1, 1};
    int64_t i = 0;
    while (i < end) {
        if (s[i] == '\n') {
            ++place.line;
            place.column = 1;
            ++i;
        } else {
            [[maybe_unused]] UChar32 c;
            U8_NEXT(s, i, end, c);
            ++place.column;
        }
    }
    return place;
}

}  // namespace quillmere::library_text
