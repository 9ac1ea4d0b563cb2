#include "platform/links/link_characters.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace quillmere::link_characters {

namespace {

bool isAsciiAlphanumeric(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
}

bool isAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

bool isAsciiHexDigit(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

bool isEastAsianPunctuation(char32_t c) {
    return (c >= 0x3000 && c <= 0x303F) ||  // CJK symbols and punctuation
           (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65);
}

// The longest character reference name we accept ("&CounterClockwiseContourIntegral;").
constexpr std::uint64_t kLongestEntityName = 32;

}  // namespace

bool isAlphanumericBeyondAscii(char32_t c) {
    const int32_t mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_ND_MASK)) != 0;
}

bool isLabelCharacterBeyondAscii(char32_t c, bool symbols) {
    if (isAlphanumericBeyondAscii(c)) {
        return true;
    }
    return symbols && !isTerminatorBeyondAscii(c) &&
           (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_SO_MASK) != 0;
}

bool isTerminatorBeyondAscii(char32_t c) {
    if (c == 0xFFFC || U_IS_SURROGATE(c) || isEastAsianPunctuation(c)) {
        return true;
    }
    if (c == 0x200C || c == 0x200D) {
        return false;  // zero-width (non-)joiners belong inside words of Indic and Arabic scripts
    }
    const int8_t type = u_charType(static_cast<UChar32>(c));
    return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_SPACE_SEPARATOR ||
           type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR ||
           u_isUWhiteSpace(static_cast<UChar32>(c));
}

bool isTrailingPunctuationBeyondAscii(char32_t c) {
    return u_charType(static_cast<UChar32>(c)) == U_FINAL_PUNCTUATION;
}

std::uint64_t entityLengthAt(TextView text, std::uint64_t index) {
    if (index >= text.size() || text[index] != u'&') {
        return 0;
    }
    std::uint64_t i = index + 1;
    const std::uint64_t limit = std::min<std::uint64_t>(text.size(), i + kLongestEntityName + 2);
    if (i < limit && text[i] == u'#') {
        ++i;
        const bool hex = i < limit && (text[i] == u'x' || text[i] == u'X');
        if (hex) {
            ++i;
        }
        const std::uint64_t digitsStart = i;
        while (i < limit &&
               (hex ? isAsciiHexDigit(text[i]) : (text[i] >= u'0' && text[i] <= u'9'))) {
            ++i;
        }
        if (i == digitsStart) {
            return 0;
        }
    } else {
        const std::uint64_t nameStart = i;
        while (i < limit && isAsciiAlphanumeric(text[i])) {
            ++i;
        }
        if (i == nameStart || !isAsciiLetter(text[nameStart])) {
            return 0;
        }
    }
    return i < limit && text[i] == u';' ? i + 1 - index : 0;
}

bool isAmpersandEntity(TextView text, std::uint64_t index, std::uint64_t length) {
    const TextView entity = text.substr(index, length);
    if (entity == u"&#38;" || entity == u"&#x26;" || entity == u"&#X26;") {
        return true;
    }
    if (length != 5) {
        return false;
    }
    const TextView name = text.substr(index + 1, 3);
    return (name[0] == u'a' || name[0] == u'A') && (name[1] == u'm' || name[1] == u'M') &&
           (name[2] == u'p' || name[2] == u'P');
}

}  // namespace quillmere::link_characters
