#pragma once
// The character classes and small look-ups by which the link scanner decides where a link may
// start, what it may hold and where it ends. All take whole code points (a lone surrogate is
// passed as itself and belongs to no class but the terminators).
//
//   if (link_characters::isTerminator(c)) { /* the link ends before c */ }

#include <cstdint>

#include "platform/text/text.h"

namespace quillmere::link_characters {

// A letter, combining mark or decimal digit of any script, or one of "-" and "_": what a host
// label is made of. With `symbols`, other symbols (such as "✪") count too, as they may in a
// host written after an explicit scheme.
bool isLabelCharacter(char32_t c, bool symbols = false);

// A letter, mark or digit of any script.
bool isAlphanumeric(char32_t c);

// A character a link never runs into: white space of any kind, control and format characters
// (but for the zero-width joiner and non-joiner, which are parts of words), lone surrogates, "<",
// ">", "\"", "`", the attachment character U+FFFC, and the full-width punctuation of East Asian
// text (ideographic full stop, corner brackets, full-width bar…).
bool isTerminator(char32_t c);

// A character that ends a link only when it is the link's last: . , : ; ! ? * ' ~ and closing
// quotation marks.
bool isTrailingPunctuation(char32_t c);

// A character of the scheme of a URL after its first letter: ASCII letters, digits, "+", ".", "-".
bool isSchemeCharacter(char32_t c);

// A character of the local part of an e-mail address. "&" and ";" are left out so that an
// entity before an address never becomes part of it.
bool isLocalPartCharacter(char32_t c);

// A character of the user information before "@" in a URL's authority.
bool isUserInfoCharacter(char32_t c);

// The length of the character reference ("&amp;", "&#8212;", "&#x2014;") that starts at
// `index`, or 0 when none starts there. Looks at most a few dozen code units ahead.
std::uint64_t entityLengthAt(TextView text, std::uint64_t index);

// Whether the character reference of `length` units at `index` stands for "&" ("&amp;" in any
// letter case, "&#38;", "&#x26;"), which a query string may hold.
bool isAmpersandEntity(TextView text, std::uint64_t index, std::uint64_t length);

}  // namespace quillmere::link_characters
