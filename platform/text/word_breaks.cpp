#include "platform/text/word_breaks.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace quillmere {

namespace {

// Building a word iterator loads its rules; clone a prototype made once instead. Cloning reads
// the prototype only, and each call iterates with a clone of its own.
std::unique_ptr<icu::BreakIterator> newWordIterator() {
    static const std::unique_ptr<const icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        return std::unique_ptr<const icu::BreakIterator>(U_SUCCESS(status) ? iterator.release()
                                                                           : nullptr);
    }();
    return prototype ? std::unique_ptr<icu::BreakIterator>(prototype->clone()) : nullptr;
}

struct UTextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

}  // namespace

void enumerateWordEnclosingRanges(TextView text, const std::function<bool(Range)>& visit) {
    // ICU counts in int32_t; a longer text is segmented up to that limit.
    const auto length = static_cast<int32_t>(
        std::min<std::uint64_t>(text.size(), std::numeric_limits<int32_t>::max()));
    const auto iterator = newWordIterator();
    if (!iterator || length == 0) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, UTextCloser> utext(
        utext_openUChars(nullptr, text.data(), length, &status));
    if (U_FAILURE(status)) {
        return;
    }
    iterator->setText(utext.get(), status);
    if (U_FAILURE(status)) {
        return;
    }

    // The enclosing range of a word is known once the next word starts; `pendingStart` is where
    // the enclosing range of the word seen last begins (0 for the first word).
    bool havePending = false;
    int32_t pendingStart = 0;
    int32_t segmentStart = iterator->first();
    for (int32_t segmentEnd = iterator->next(); segmentEnd != icu::BreakIterator::DONE;
         segmentStart = segmentEnd, segmentEnd = iterator->next()) {
        if (iterator->getRuleStatus() < UBRK_WORD_NONE_LIMIT) {
            continue;
        }
        if (havePending) {
            const Range enclosing{static_cast<std::uint64_t>(pendingStart),
                                  static_cast<std::uint64_t>(segmentStart - pendingStart)};
            if (!visit(enclosing)) {
                return;
            }
            pendingStart = segmentStart;
        }
        havePending = true;
    }
    if (havePending) {
        visit(Range{static_cast<std::uint64_t>(pendingStart),
                    static_cast<std::uint64_t>(length - pendingStart)});
    }
}

std::vector<Range> wordEnclosingRanges(TextView text) {
    std::vector<Range> ranges;
    enumerateWordEnclosingRanges(text, [&ranges](Range range) {
        ranges.push_back(range);
        return true;
    });
    return ranges;
}

}  // namespace quillmere
