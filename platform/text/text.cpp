#include "platform/text/text.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmere::text {

namespace {

// Texts are converted through a small buffer, a piece at a time, and appended: no zeroed
// worst-case buffer, and a long note's result touches only the memory it uses.
constexpr std::size_t kPiece = 8192;

// Within a piece, blocks of ASCII (most of a note's text) are widened or narrowed directly, and
// ICU converts the stretches between them. A stretch ends where an ASCII block starts, which is
// always between characters, so the result is the same as ICU's on the whole.
#if defined(__SSE2__)
constexpr std::size_t kBytesPerBlock = 16;
constexpr std::size_t kUnitsPerBlock = 8;

bool isAsciiBlock(const char* bytes) {
    return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes))) == 0;
}

bool isAsciiBlock(const char16_t* units) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    const __m128i high = _mm_and_si128(block, _mm_set1_epi16(static_cast<short>(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}

void widenBlock(const char* bytes, char16_t* out) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
}

void narrowBlock(const char16_t* units, char* out) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(block, block));
}
#endif

// The end of the stretch that starts at `from` and that ICU converts: the start of the next
// whole block of ASCII, or the piece's end.
template <class Unit>
std::size_t stretchEnd(const Unit* piece, std::size_t size, std::size_t from) {
#if defined(__SSE2__)
    constexpr std::size_t block = sizeof(Unit) == 1 ? kBytesPerBlock : kUnitsPerBlock;
    while (size - from >= block && !isAsciiBlock(piece + from)) from += block;
    return size - from >= block ? from : size;
#else
    (void)piece;
    (void)from;
    return size;
#endif
}

// One piece (whole characters) into `out`, which has room for piece.size() units; the units
// written, or none when ICU fails.
std::optional<std::size_t> piece16(std::string_view piece, char16_t* out) {
    std::size_t read = 0, written = 0;
    while (read < piece.size()) {
#if defined(__SSE2__)
        for (; piece.size() - read >= kBytesPerBlock && isAsciiBlock(piece.data() + read);
             read += kBytesPerBlock, written += kBytesPerBlock) {
            widenBlock(piece.data() + read, out + written);
        }
#endif
        const std::size_t end = stretchEnd(piece.data(), piece.size(), read);
        int32_t units = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(out + written, static_cast<int32_t>(piece.size() - written), &units,
                             piece.data() + read, static_cast<int32_t>(end - read), 0xFFFD, nullptr,
                             &status);
        if (U_FAILURE(status)) return std::nullopt;
        read = end;
        written += static_cast<std::size_t>(units);
    }
    return written;
}

// One piece (no pair cut) into `out`, which has room for three bytes a unit; the bytes written,
// or none when ICU fails.
std::optional<std::size_t> piece8(TextView piece, char* out) {
    std::size_t read = 0, written = 0;
    while (read < piece.size()) {
#if defined(__SSE2__)
        for (; piece.size() - read >= kUnitsPerBlock && isAsciiBlock(piece.data() + read);
             read += kUnitsPerBlock, written += kUnitsPerBlock) {
            narrowBlock(piece.data() + read, out + written);
        }
#endif
        const std::size_t end = stretchEnd(piece.data(), piece.size(), read);
        int32_t bytes = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8WithSub(out + written, static_cast<int32_t>(3 * piece.size() - written), &bytes,
                           piece.data() + read, static_cast<int32_t>(end - read), 0xFFFD, nullptr,
                           &status);
        if (U_FAILURE(status)) return std::nullopt;
        read = end;
        written += static_cast<std::size_t>(bytes);
    }
    return written;
}

}  // namespace

Text fromUtf8(std::string_view utf8) {
    Text result;
    result.reserve(utf8.size());  // UTF-16 never needs more units than UTF-8 has bytes
    char16_t buffer[kPiece];
    while (!utf8.empty()) {
        std::size_t piece = std::min(utf8.size(), kPiece);
        // A character starts at most three bytes before the piece's end and may run past it:
        // the piece then ends before that character.
        const auto continuation = [&](std::size_t at) {
            return (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80;
        };
        if (piece < utf8.size() && continuation(piece)) {
            for (std::size_t back = 1; back <= 3 && back < piece; ++back) {
                if (!continuation(piece - back)) {
                    piece -= back;
                    break;
                }
            }
        }
        const std::optional<std::size_t> written = piece16(utf8.substr(0, piece), buffer);
        if (!written) return Text();
        result.append(buffer, *written);
        utf8.remove_prefix(piece);
    }
    return result;
}

std::string toUtf8(TextView text) {
    std::string result;
    result.reserve(text.size());  // one byte per unit for the mostly ASCII text of notes
    char buffer[3 * kPiece];      // at most three bytes per code unit
    while (!text.empty()) {
        std::size_t piece = std::min(text.size(), kPiece);
        if (piece < text.size() && U16_IS_LEAD(text[piece - 1]) && U16_IS_TRAIL(text[piece])) {
            --piece;  // keep a surrogate pair together
        }
        const std::optional<std::size_t> written = piece8(text.substr(0, piece), buffer);
        if (!written) return std::string();
        result.append(buffer, *written);
        text.remove_prefix(piece);
    }
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

std::size_t findPair(TextView text, std::size_t from, char16_t first, char16_t secondA,
                     char16_t secondB) {
    const std::size_t size = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wantedFirst = _mm_set1_epi16(static_cast<short>(first));
    const __m128i wantedA = _mm_set1_epi16(static_cast<short>(secondA));
    const __m128i wantedB = _mm_set1_epi16(static_cast<short>(secondB));
    // Eight positions at a time, each with the unit after it.
    for (; i < size && size - i >= 9; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
        const int found = _mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi16(units, wantedFirst),
            _mm_or_si128(_mm_cmpeq_epi16(next, wantedA), _mm_cmpeq_epi16(next, wantedB))));
        if (found != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
        }
    }
#endif
    for (; i + 1 < size; ++i) {
        if (text[i] == first && (text[i + 1] == secondA || text[i + 1] == secondB)) {
            return i;
        }
    }
    return size;
}

std::size_t findAnyOf(TextView text, std::size_t from, TextView units) {
    const std::size_t size = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    if (units.size() <= 8) {
        __m128i wanted[8];
        for (std::size_t u = 0; u < 8; ++u) {
            // Unused places repeat the first unit (or hold one that is never searched).
            wanted[u] = _mm_set1_epi16(
                static_cast<short>(units.empty() ? 0 : units[u < units.size() ? u : 0]));
        }
        for (; !units.empty() && i < size && size - i >= 8; i += 8) {
            const __m128i block =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            __m128i matches =
                _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(block, wanted[0]),
                                                       _mm_cmpeq_epi16(block, wanted[1])),
                                          _mm_or_si128(_mm_cmpeq_epi16(block, wanted[2]),
                                                       _mm_cmpeq_epi16(block, wanted[3]))),
                             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(block, wanted[4]),
                                                       _mm_cmpeq_epi16(block, wanted[5])),
                                          _mm_or_si128(_mm_cmpeq_epi16(block, wanted[6]),
                                                       _mm_cmpeq_epi16(block, wanted[7]))));
            const int found = _mm_movemask_epi8(matches);
            if (found != 0) {
                return i +
                       static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
            }
        }
    }
#endif
    for (; i < size; ++i) {
        if (units.find(text[i]) != TextView::npos) {
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
