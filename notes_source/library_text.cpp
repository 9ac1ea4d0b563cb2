#include "notes_source/library_text.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace quillmere::library_text {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

std::optional<char16_t> hex4(std::string_view bytes, std::size_t at) {
    if (at + 4 > bytes.size()) {
        return std::nullopt;
    }
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

// Whether a generalized 3-byte form of a surrogate starts at `at`.
bool storedSurrogateAt(std::string_view bytes, std::size_t at) {
    return at + 2 < bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xED &&
           static_cast<unsigned char>(bytes[at + 1]) >= 0xA0 &&
           static_cast<unsigned char>(bytes[at + 1]) <= 0xBF &&
           (static_cast<unsigned char>(bytes[at + 2]) & 0xC0) == 0x80;
}

void writeStoredSurrogate(std::string& bytes, std::size_t at, char16_t unit) {
    bytes[at] = static_cast<char>(0xE0 | (unit >> 12));
    bytes[at + 1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    bytes[at + 2] = static_cast<char>(0x80 | (unit & 0x3F));
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 3, 3, kStoredFiller);
}

}  // namespace

std::optional<std::uint64_t> firstInvalidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const auto length = static_cast<int64_t>(bytes.size());
    int64_t i = 0;
    while (i < length) {
        // ASCII runs are by far the most common; skip them without decoding.
        if (s[i] < 0x80) {
            if (s[i] == 0) {
                return static_cast<std::uint64_t>(i);
            }
            ++i;
            continue;
        }
        const int64_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            return static_cast<std::uint64_t>(start);
        }
    }
    return std::nullopt;
}

void keepLoneSurrogateEscapes(std::string& bytes) {
    bool inString = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (!inString) {
            inString = c == '"';
            ++i;
            continue;
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
        writeStoredSurrogate(bytes, i, *unit);
        i += 6;
    }
}

Text storedToText(std::string_view stored) {
    Text text;
    text.reserve(stored.size());
    const auto* s = reinterpret_cast<const uint8_t*>(stored.data());
    const auto length = static_cast<int64_t>(stored.size());
    int64_t i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            text.push_back(static_cast<char16_t>(s[i++]));
            continue;
        }
        if (stored[static_cast<std::size_t>(i)] == kStoredFiller) {
            ++i;
            continue;
        }
        if (storedSurrogateAt(stored, static_cast<std::size_t>(i))) {
            text.push_back(static_cast<char16_t>(((s[i] & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) |
                                                 (s[i + 2] & 0x3F)));
            i += 3;
            continue;
        }
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            text.push_back(kReplacement);
        } else if (c <= 0xFFFF) {
            text.push_back(static_cast<char16_t>(c));
        } else {
            text.push_back(static_cast<char16_t>(U16_LEAD(c)));
            text.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }
    return text;
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
        } else if (s[i] < 0x80 || bytes[static_cast<std::size_t>(i)] == kStoredFiller) {
            ++place.column;
            ++i;
        } else if (storedSurrogateAt(bytes, static_cast<std::size_t>(i))) {
            place.column += 3;  // with its three fillers, the six characters of the escape
            i += 3;
        } else {
            [[maybe_unused]] UChar32 c;
            U8_NEXT(s, i, end, c);
            ++place.column;
        }
    }
    return place;
}

}  // namespace quillmere::library_text
