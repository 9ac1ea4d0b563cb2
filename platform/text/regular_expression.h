#pragma once
// Regular expressions with ICU syntax and semantics, over UTF-16 text. A pattern is compiled
// when the object is made; make each one once per process (a function-local static) and share
// it: matching is safe from several threads at once.
//
//   static const RegularExpression divOpen(u"^<div>", RegularExpression::kCaseInsensitive |
//                                                     RegularExpression::kAnchorsMatchLines);
//   divOpen.replaceMatches(text, u"<p>");

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/text/text.h"

namespace quillmere {

class RegularExpression {
public:
    // Option values as the platform numbers them.
    enum Options : std::uint32_t { kCaseInsensitive = 1, kAnchorsMatchLines = 16 };

    struct Match {
        Range range;
        // The capture groups from group 1 on; a group that took no part is kNotFoundRange.
        std::vector<Range> groups;
    };

    // `pattern` must be valid; these patterns are fixed in the code.
    RegularExpression(TextView pattern, std::uint32_t options);
    ~RegularExpression();

    // The leftmost match inside `range`, or kNotFoundRange.
    Range rangeOfFirstMatch(TextView text, Range range) const;
    // Every non-overlapping match inside `range`, left to right.
    std::vector<Match> matchesInString(TextView text, Range range) const;
    // Replaces every non-overlapping match in the whole text (found in the text before the
    // call) by `replacementTemplate`, where "$1".."$9" stand for capture groups and "\" escapes
    // the next character. Answers the number of matches replaced.
    std::uint64_t replaceMatches(Text& text, TextView replacementTemplate) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};

}  // namespace quillmere
