#pragma once
// The HTML that stands in a note's body for a link card (a public.url attachment): the link
// itself, as an anchor whose text is the address; an address whose scheme a detected link may
// not have ("javascript:", "data:") stands as its text alone.
//
//   linkCardHtml("https://example.com/?a=1&b=2")
//     == "<a href=\"https://example.com/?a=1&amp;b=2\">https://example.com/?a=1&amp;b=2</a>"

#include <string>

namespace quillmere::note_store {

// The anchor (or the text) for the link card of `url` (UTF-8), escaped for HTML.
std::string linkCardHtml(const std::string& url);

}  // namespace quillmere::note_store
