#pragma once
// The character classes and small look-ups by which the link scanner decides where a link may
// start, what it may hold and where it ends. All take whole code points (a lone surrogate is
// passed as itself and belongs to no class but the terminators).
//
//   if (link_characters::isTerminator(c)) { /* the link ends before c */ }

#include <array>
#include <cstdint>

#include "platform/text/text.h"

namespace quillmere::link_characters {

// The scanner asks about nearly every character of a note, and nearly all are ASCII: their
// classes come from a table here, inline; only the rest go to ICU.
namespace ascii {

enum Class : std::uint8_t {
    kAlphanumeric = 1,
    kLabel = 2,
    kLocalPart = 4,
    kUserInfo = 8,
    kTerminator = 16,
    kScheme = 32,
    kTrailingPunctuation = 64,
};

constexpr bool isAlphanumeric(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
}

constexpr bool isOneOf(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

constexpr std::uint8_t classesOf(char32_t c) {
    const bool alphanumeric = isAlphanumeric(c);
    std::uint8_t classes = 0;
    if (alphanumeric) classes |= kAlphanumeric;
    if (alphanumeric || c == U'-' || c == U'_') classes |= kLabel;
    if (alphanumeric || isOneOf(c, U".!#$%'*+-=?^_{|}~")) classes |= kLocalPart;
    if (alphanumeric || isOneOf(c, U"-._~%!$*+,=:")) classes |= kUserInfo;
    if (c <= 0x20 || c == 0x7F || isOneOf(c, U"<>\"`")) classes |= kTerminator;
    if (alphanumeric || c == U'+' || c == U'.' || c == U'-') classes |= kScheme;
    if (isOneOf(c, U".,:;!?*'~")) classes |= kTrailingPunctuation;
    return classes;
}

inline constexpr std::array<std::uint8_t, 128> kClasses = [] {
    std::array<std::uint8_t, 128> classes{};
    for (char32_t c = 0; c < 128; ++c) classes[c] = classesOf(c);
    return classes;
}();

constexpr bool is(char32_t c, Class kind) { return (kClasses[c] & kind) != 0; }

}  // namespace ascii

// The answers of the functions below for characters beyond ASCII.
bool isLabelCharacterBeyondAscii(char32_t c, bool symbols);
bool isAlphanumericBeyondAscii(char32_t c);
bool isTerminatorBeyondAscii(char32_t c);
bool isTrailingPunctuationBeyondAscii(char32_t c);

// A letter, combining mark or decimal digit of any script, or one of "-" and "_": what a host
// label is made of. With `symbols`, other symbols (such as "✪") count too, as they may in a
// host written after an explicit scheme.
inline bool isLabelCharacter(char32_t c, bool symbols = false) {
    return c < 0x80 ? ascii::is(c, ascii::kLabel) : isLabelCharacterBeyondAscii(c, symbols);
}

// A letter, mark or digit of any script.
inline bool isAlphanumeric(char32_t c) {
    return c < 0x80 ? ascii::is(c, ascii::kAlphanumeric) : isAlphanumericBeyondAscii(c);
}

// A character a link never runs into: white space of any kind, control and format characters
// (but for the zero-width joiner and non-joiner, which are parts of words), lone surrogates, "<",
// ">", "\"", "`", the attachment character U+FFFC, and the full-width punctuation of East Asian
// text (ideographic full stop, corner brackets, full-width bar…).
inline bool isTerminator(char32_t c) {
    return c < 0x80 ? ascii::is(c, ascii::kTerminator) : isTerminatorBeyondAscii(c);
}

// A character that ends a link only when it is the link's last: . , : ; ! ? * ' ~ and closing
// quotation marks.
inline bool isTrailingPunctuation(char32_t c) {
    return c < 0x80 ? ascii::is(c, ascii::kTrailingPunctuation)
                    : isTrailingPunctuationBeyondAscii(c);
}

// A character of the scheme of a URL after its first letter: ASCII letters, digits, "+", ".", "-".
inline bool isSchemeCharacter(char32_t c) { return c < 0x80 && ascii::is(c, ascii::kScheme); }

// A character of the local part of an e-mail address. "&" and ";" are left out so that an
// entity before an address never becomes part of it.
inline bool isLocalPartCharacter(char32_t c) {
    return c < 0x80 ? ascii::is(c, ascii::kLocalPart) : isAlphanumericBeyondAscii(c);
}

// A character of the user information before "@" in a URL's authority.
inline bool isUserInfoCharacter(char32_t c) {
    return c < 0x80 ? ascii::is(c, ascii::kUserInfo) : isAlphanumericBeyondAscii(c);
}

// The length of the character reference ("&amp;", "&#8212;", "&#x2014;") that starts at
// `index`, or 0 when none starts there. Looks at most a few dozen code units ahead.
std::uint64_t entityLengthAt(TextView text, std::uint64_t index);

// Whether the character reference of `length` units at `index` stands for "&" ("&amp;" in any
// letter case, "&#38;", "&#x26;"), which a query string may hold.
bool isAmpersandEntity(TextView text, std::uint64_t index, std::uint64_t length);

}  // namespace quillmere::link_characters
