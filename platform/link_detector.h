#pragma once
// Finds the links in a note's HTML text: URLs with a scheme, "www." hosts, bare host names with
// a real top-level domain, and e-mail addresses. Never reports a link inside a tag or inside the
// content of an existing anchor element.
//
//   for (Range r : LinkDetector().matchesInString(html)) { ... }

#include <vector>

#include "platform/text.h"

namespace quillmere {

class LinkDetector {
public:
    virtual ~LinkDetector() = default;

    // Ranges of the links in text, ascending, never overlapping, never splitting a surrogate pair.
    virtual std::vector<Range> matchesInString(const Text& text) const;
};

}  // namespace quillmere
