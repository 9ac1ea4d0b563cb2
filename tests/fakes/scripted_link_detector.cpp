#include "tests/fakes/scripted_link_detector.h"

#include <algorithm>

namespace quillmere::test {

std::vector<Range> ScriptedLinkDetector::matchesInString(const Text& text) const {
    texts.push_back(text);
    if (onDetect) {
        onDetect(text);
    }
    if (ranges) {
        return *ranges;
    }
    std::vector<Range> found;
    for (const Text& literal : literals) {
        for (std::size_t at = text.find(literal); !literal.empty() && at != Text::npos;
             at = text.find(literal, at + literal.size())) {
            found.push_back(Range{at, literal.size()});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Range& a, const Range& b) { return a.location < b.location; });
    return found;
}

}  // namespace quillmere::test
