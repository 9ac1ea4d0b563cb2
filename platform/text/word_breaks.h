#pragma once
// Words of a text by Unicode word segmentation (UAX #29, root locale), each with its enclosing
// range. A word is a segment that holds letters, digits or ideographs; spaces and punctuation
// are not words. A word's enclosing range runs from its start to the start of the next word (the
// last one to the end of the text), and the first one starts at 0, so the enclosing ranges cover
// the whole text without overlap. A text without words has none.
//
//   wordEnclosingRanges(u"  Hi, you!");  // {0, 6}, {6, 4}

#include <functional>
#include <vector>

#include "platform/text/text.h"

namespace quillmere {

// Calls `visit` with the enclosing range of each word, in text order, until it answers false.
// Takes time linear in the part of the text visited.
void enumerateWordEnclosingRanges(TextView text, const std::function<bool(Range)>& visit);

// The enclosing ranges of all words of `text`, in text order.
std::vector<Range> wordEnclosingRanges(TextView text);

}  // namespace quillmere
