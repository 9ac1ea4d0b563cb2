#pragma once
// A link detector whose answers a test gives: fixed ranges, or every occurrence of given
// literals. It records each text it was asked about, and can run a hook at that moment (the
// note export asks it once per note, before the file is written).
//
//   ScriptedLinkDetector detector;
//   detector.literals = {u"www.example.com"};

#include <functional>
#include <optional>
#include <vector>

#include "platform/link_detector.h"

namespace quillmere::test {

class ScriptedLinkDetector : public LinkDetector {
public:
    std::vector<Range> matchesInString(const Text& text) const override;

    // When set, the answer for every text, as given.
    std::optional<std::vector<Range>> ranges;
    // Otherwise: the ranges of every non-overlapping occurrence of these literals, ascending.
    std::vector<Text> literals;
    // Runs with each text before the answer is made.
    std::function<void(const Text&)> onDetect;

    mutable std::vector<Text> texts;  // every text asked about, in order
};

}  // namespace quillmere::test
