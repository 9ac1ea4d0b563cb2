#include "platform/text/text.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmere::text {

namespace {

// ICU counts in int32_t; longer texts are converted in pieces that split no character.
constexpr std::size_t kPiece = std::size_t{1} << 28;

}  // namespace

namespace {

constexpr std::uint64_t kHighBitOfEachByte = 0x8080808080808080u;
constexpr std::uint64_t kNonAsciiBitsOfEachUnit = 0xFF80FF80FF80FF80u;

std::uint64_t eightBytesAt(const void* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// ICU's conversion of `utf8` written at `result[used]`, in pieces that split no character.
bool convertFromUtf8ByIcu(Text& result, std::size_t& used, std::string_view utf8) {
    while (!utf8.empty()) {
        std::size_t piece = std::min(utf8.size(), kPiece);
        for (int back = 0; back < 3 && piece < utf8.size() &&
                           (static_cast<unsigned char>(utf8[piece]) & 0xC0) == 0x80;
             ++back) {
            --piece;  // start the next piece at a character's first byte
        }
        int32_t written = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(result.data() + used, static_cast<int32_t>(piece), &written,
                             utf8.data(), static_cast<int32_t>(piece), 0xFFFD, nullptr, &status);
        if (U_FAILURE(status)) {
            return false;
        }
        used += static_cast<std::size_t>(written);
        utf8.remove_prefix(piece);
    }
    return true;
}

}  // namespace

// Both conversions take ASCII eight bytes (four units) at a time and decode well-formed
// characters themselves. Ill-formed UTF-8 goes to ICU up to the next ASCII byte, which no
// ill-formed sequence runs across, so its substitutions are the ones ICU makes on the whole.
Text fromUtf8(std::string_view utf8) {
    Text result;
    result.resize(utf8.size());  // UTF-16 never needs more units than UTF-8 has bytes
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto size = static_cast<std::int64_t>(utf8.size());
    char16_t* out = result.data();
    std::size_t used = 0;
    std::int64_t i = 0;
    while (i < size) {
        if (size - i >= 8 && (eightBytesAt(bytes + i) & kHighBitOfEachByte) == 0) {
            for (int k = 0; k < 8; ++k) {
                out[used + k] = bytes[i + k];
            }
            used += 8;
            i += 8;
            continue;
        }
        if (bytes[i] < 0x80) {
            out[used++] = bytes[i++];
            continue;
        }
        const std::int64_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, size, c);
        if (c < 0) {
            while (i < size && bytes[i] >= 0x80) {
                ++i;
            }
            if (!convertFromUtf8ByIcu(result, used, utf8.substr(start, i - start))) {
                return Text();
            }
        } else if (c <= 0xFFFF) {
            out[used++] = static_cast<char16_t>(c);
        } else {
            out[used++] = U16_LEAD(c);
            out[used++] = U16_TRAIL(c);
        }
    }
    result.resize(used);
    return result;
}

std::string toUtf8(TextView text) {
    std::string result;
    // At most three bytes per code unit (a pair's four bytes stand for two units).
    result.resize(text.size() * 3);
    char* out = result.data();
    std::size_t used = 0;
    const std::size_t size = text.size();
    std::size_t i = 0;
    const auto put = [&](std::uint32_t byte) { out[used++] = static_cast<char>(byte); };
    while (i < size) {
        if (size - i >= 4 && (eightBytesAt(text.data() + i) & kNonAsciiBitsOfEachUnit) == 0) {
            for (int k = 0; k < 4; ++k) {
                put(text[i + k]);
            }
            i += 4;
            continue;
        }
        char32_t c = text[i++];
        if (U16_IS_SURROGATE(c)) {
            if (U16_IS_SURROGATE_LEAD(c) && i < size && U16_IS_TRAIL(text[i])) {
                c = U16_GET_SUPPLEMENTARY(c, text[i]);
                ++i;
            } else {
                c = 0xFFFD;
            }
        }
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    result.resize(used);
    return result;
}

std::size_t findEither(TextView text, std::size_t from, char16_t a, char16_t b) {
    const std::size_t size = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wantedA = _mm_set1_epi16(static_cast<short>(a));
    const __m128i wantedB = _mm_set1_epi16(static_cast<short>(b));
    for (; i < size && size - i >= 8; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(units, wantedA), _mm_cmpeq_epi16(units, wantedB)));
        if (found != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
        }
    }
#endif
    for (; i < size; ++i) {
        if (text[i] == a || text[i] == b) {
            return i;
        }
    }
    return size;
}

bool hasPrefix(TextView text, TextView prefix) { return text.starts_with(prefix); }

bool hasSuffix(TextView text, TextView suffix) { return text.ends_with(suffix); }

Range rangeOfString(TextView text, TextView needle, Range within) {
    if (needle.empty() || within.location >= text.size()) {
        return kNotFoundRange;
    }
    const std::uint64_t end = std::min<std::uint64_t>(within.end(), text.size());
    const TextView window = text.substr(within.location, end - within.location);
    const std::size_t found = window.find(needle);
    if (found == TextView::npos) {
        return kNotFoundRange;
    }
    return Range{within.location + found, needle.size()};
}

Range rangeOfString(TextView text, TextView needle) {
    return rangeOfString(text, needle, Range{0, text.size()});
}

std::uint64_t replaceOccurrences(Text& text, TextView target, TextView replacement) {
    if (target.empty()) {
        return 0;
    }
    std::size_t found = text.find(target);
    if (found == Text::npos) {
        return 0;
    }
    // Build the result in one pass so that many replacements stay linear.
    Text result;
    result.reserve(text.size());
    std::size_t from = 0;
    std::uint64_t count = 0;
    while (found != Text::npos) {
        result.append(text, from, found - from);
        result.append(replacement);
        from = found + target.size();
        ++count;
        found = text.find(target, from);
    }
    result.append(text, from, Text::npos);
    text = std::move(result);
    return count;
}

namespace {

icu::UnicodeString toUnicodeString(TextView text) {
    return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

Text fromUnicodeString(const icu::UnicodeString& string) {
    return Text(string.getBuffer(), static_cast<std::size_t>(string.length()));
}

}  // namespace

Text decomposedCanonical(TextView text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        return Text(text);
    }
    const icu::UnicodeString result = nfd->normalize(toUnicodeString(text), status);
    return U_SUCCESS(status) ? fromUnicodeString(result) : Text(text);
}

Text lowercased(TextView text) {
    icu::UnicodeString string = toUnicodeString(text);
    string.toLower(icu::Locale::getRoot());
    return fromUnicodeString(string);
}

}  // namespace quillmere::text
