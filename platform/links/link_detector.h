#pragma once
// Finds the links in a note's HTML text, for the note export to wrap each in an anchor.
//
// Recognised: addresses with a scheme ("https://…", any "scheme://…", "mailto:…"), "www." host
// names, bare host names whose last label is a real top-level domain ("apple.com",
// "bbc.co.uk/news", but not "readme.md" or "v1.2.3"), and e-mail addresses. A link is never
// reported inside a tag or inside the content of an existing anchor element, never runs into
// white space, "<", ">" or an entity such as "&nbsp;", and leaves out trailing punctuation and
// unbalanced closing brackets. Positions count UTF-16 code units.
//
// The top-level domains come from the system's public suffix list (see top_level_domains.h).
// Where that list is missing, bare host names are not detected; the other kinds still are.
//
//   for (Range r : LinkDetector().matchesInString(html)) { ... }
//
// matchesInString is virtual so that tests of the note export can substitute a fake. The
// detector is immutable and may be used from several threads at once.

#include <memory>
#include <vector>

#include "platform/text/text.h"

namespace quillmere {

class TopLevelDomains;

class LinkDetector {
public:
    // Judges bare host names by the system's top-level domains, read on first use.
    LinkDetector() = default;
    // Judges them by `topLevelDomains` instead (an empty set detects no bare host name).
    explicit LinkDetector(std::shared_ptr<const TopLevelDomains> topLevelDomains);
    virtual ~LinkDetector() = default;

    // Ranges of the links in text, ascending, never overlapping, never splitting a surrogate pair.
    virtual std::vector<Range> matchesInString(const Text& text) const;

private:
    std::shared_ptr<const TopLevelDomains> topLevelDomains_;  // null: the system's
};

}  // namespace quillmere
