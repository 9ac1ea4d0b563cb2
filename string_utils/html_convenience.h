#pragma once
// Telling markup from plain text: a note text that holds anything like an HTML tag or character
// entity is saved as HTML, any other as plain text.
//
//   HTMLConvenience::containsHTML(u"<b>Milk</b>");   // true
//   HTMLConvenience::containsHTML(u"fish & chips");  // false

#include "platform/text/text.h"

namespace quillmere::HTMLConvenience {

// Whether `string` holds a "<" followed later by a ">" that is not its very next character (with
// no ">" between), or a "&" followed later by a ";" that is not its very next character (with no
// ";" between); line breaks may lie between. Takes time linear in the length of `string`.
bool containsHTML(const Text& string);

}  // namespace quillmere::HTMLConvenience
