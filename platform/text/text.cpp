#include "platform/text/text.h"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace quillmere::text {

Text fromUtf8(std::string_view utf8) {
    Text result;
    result.resize(utf8.size());  // UTF-16 never needs more units than UTF-8 has bytes
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &written, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    result.resize(U_SUCCESS(status) ? static_cast<std::size_t>(written) : 0);
    return result;
}

std::string toUtf8(TextView text) {
    std::string result;
    result.reserve(text.size() * 3);
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = text[i++];
        if (U16_IS_LEAD(c) && i < text.size() && U16_IS_TRAIL(text[i])) {
            c = U16_GET_SUPPLEMENTARY(c, text[i]);
            ++i;
        } else if (U16_IS_SURROGATE(c)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            result.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (c >> 12)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (c >> 18)));
            result.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
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

CodePoint codePointAt(TextView text, std::uint64_t index) {
    const char16_t unit = text[index];
    if (U16_IS_LEAD(unit) && index + 1 < text.size() && U16_IS_TRAIL(text[index + 1])) {
        return CodePoint{static_cast<char32_t>(U16_GET_SUPPLEMENTARY(unit, text[index + 1])), 2};
    }
    return CodePoint{unit, 1};
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
