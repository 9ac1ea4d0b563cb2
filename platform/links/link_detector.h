#pragma once
// Finds the links in a note's HTML text, for the note export to wrap each in an anchor. An
// interface, so that the front ends install the real scanner (link_scanner.h) and the tests of
// the note export a scripted fake.
//
//   std::shared_ptr<const LinkDetector> detector = std::make_shared<LinkScanner>();
//   for (Range r : detector->matchesInString(html)) { ... }
//
// An implementation is immutable once made and may be used from several threads at once.

#include <vector>

#include "platform/text/text.h"

namespace quillmere {

class LinkDetector {
public:
    virtual ~LinkDetector() = default;

    // Ranges of the links in text, ascending, never overlapping, never splitting a surrogate pair.
    virtual std::vector<Range> matchesInString(const Text& text) const = 0;
};

}  // namespace quillmere
