#pragma once
// Making short texts: a text of one code unit, the attachment character that stands in a note's
// text where an attachment is, and a text cut to a length limit after a whole word.
//
//   Text title = CreationConvenience::stringByTruncatingToFullWordsInRange(longTitle, {0, 100});

#include "platform/text/text.h"

namespace quillmere::CreationConvenience {

// `string` shortened for use in a name. A text no longer than `range.length` is kept whole;
// a longer one is cut at the end of the last word's enclosing range that ends at position 99 or
// earlier, or, when there is none, after `range.length` code units (moved back by one rather
// than split a surrogate pair). The result is trimmed of white space and line breaks at both
// ends. `range.location` is ignored.
Text stringByTruncatingToFullWordsInRange(const Text& string, Range range);

// A text of length 1 holding exactly `character`, unchecked.
Text stringWithCharacter(char16_t character);

// The text of U+FFFC OBJECT REPLACEMENT CHARACTER; every call returns the same shared object.
const Text& attachmentCharacter();

}  // namespace quillmere::CreationConvenience
