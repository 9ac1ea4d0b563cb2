#pragma once
// The stretches of an HTML text in which links may be looked for: everything outside tags,
// comments and the content of existing anchor elements. Wrapping a link found inside a tag (an
// "href" or "src" value) or inside an anchor's content would nest anchors and break the markup.
//
//   for (Range segment : linkTextSegments(u"see <a href=\"x.org\">x.org</a> or y.org"))
//       ...  // only "see " and " or y.org"
//
// A "<" opens a tag only when a letter, "/", "!" or "?" follows it, as in HTML; any other "<"
// is text. Inside a tag a ">" within a quoted attribute value does not end it. A tag or comment
// that is never closed runs to the end of the text. Tag names are compared without regard to
// letter case; an anchor's content ends at its end tag or at the start of another anchor.

#include <vector>

#include "platform/text/text.h"

namespace quillmere {

// The segments in ascending order; empty segments are left out.
std::vector<Range> linkTextSegments(TextView html);

}  // namespace quillmere
