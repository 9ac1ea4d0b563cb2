#include "platform/text/regular_expression.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cassert>
#include <limits>

namespace quillmere {

struct RegularExpression::Compiled {
    // Null only when the pattern failed to compile; such an expression matches nothing.
    std::unique_ptr<icu::RegexPattern> pattern;
};

namespace {

constexpr std::uint64_t kMaxIcuLength = std::numeric_limits<int32_t>::max();

// A read-only ICU view of `text`; nothing is copied. ICU counts in int32_t, so a text beyond
// that is seen only up to its limit.
icu::UnicodeString aliasing(TextView text) {
    const auto length = static_cast<int32_t>(std::min<std::uint64_t>(text.size(), kMaxIcuLength));
    return icu::UnicodeString(false, text.data(), length);
}

Range rangeFrom(int32_t start, int32_t end) {
    if (start < 0) {
        return kNotFoundRange;
    }
    return Range{static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(end - start)};
}

// A matcher of its own for one call, so that a shared expression serves many threads.
// `input` must outlive the matcher.
std::unique_ptr<icu::RegexMatcher> matcherFor(const icu::RegexPattern* pattern,
                                              const icu::UnicodeString& input, Range range) {
    if (pattern == nullptr) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    const auto length = static_cast<std::uint64_t>(input.length());
    const std::uint64_t start = std::min(range.location, length);
    const std::uint64_t limit =
        std::min(range.end() < range.location ? length : range.end(), length);
    matcher->region(static_cast<int64_t>(start), static_cast<int64_t>(limit), status);
    return U_SUCCESS(status) ? std::move(matcher) : nullptr;
}

}  // namespace

RegularExpression::RegularExpression(TextView pattern, std::uint32_t options)
    : compiled_(std::make_unique<Compiled>()) {
    std::uint32_t flags = 0;
    if ((options & kCaseInsensitive) != 0) {
        flags |= UREGEX_CASE_INSENSITIVE;
    }
    if ((options & kAnchorsMatchLines) != 0) {
        flags |= UREGEX_MULTILINE;
    }
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    compiled_->pattern.reset(
        icu::RegexPattern::compile(aliasing(pattern), flags, parseError, status));
    assert(U_SUCCESS(status) && "regular expressions are fixed in the code and must be valid");
    if (U_FAILURE(status)) {
        compiled_->pattern.reset();
    }
}

RegularExpression::~RegularExpression() = default;

Range RegularExpression::rangeOfFirstMatch(TextView text, Range range) const {
    const icu::UnicodeString input = aliasing(text);
    const auto matcher = matcherFor(compiled_->pattern.get(), input, range);
    if (!matcher || !matcher->find()) {
        return kNotFoundRange;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t start = matcher->start(status);
    const int32_t end = matcher->end(status);
    return U_SUCCESS(status) ? rangeFrom(start, end) : kNotFoundRange;
}

std::vector<RegularExpression::Match> RegularExpression::matchesInString(TextView text,
                                                                         Range range) const {
    std::vector<Match> matches;
    const icu::UnicodeString input = aliasing(text);
    const auto matcher = matcherFor(compiled_->pattern.get(), input, range);
    if (!matcher) {
        return matches;
    }
    const int32_t groupCount = matcher->groupCount();
    // find() steps past an empty match by itself, so the loop always advances.
    while (matcher->find()) {
        UErrorCode status = U_ZERO_ERROR;
        Match match{rangeFrom(matcher->start(status), matcher->end(status)), {}};
        match.groups.reserve(static_cast<std::size_t>(groupCount));
        for (int32_t group = 1; group <= groupCount; ++group) {
            match.groups.push_back(
                rangeFrom(matcher->start(group, status), matcher->end(group, status)));
        }
        if (U_FAILURE(status)) {
            break;
        }
        matches.push_back(std::move(match));
    }
    return matches;
}

std::uint64_t RegularExpression::replaceMatches(Text& text, TextView replacementTemplate) const {
    const icu::UnicodeString input = aliasing(text);
    const auto matcher = matcherFor(compiled_->pattern.get(), input, Range{0, text.size()});
    if (!matcher) {
        return 0;
    }
    const icu::UnicodeString replacement = aliasing(replacementTemplate);
    // Unmatched stretches and replacements are appended once each, so the work stays linear in
    // the length of the text and the number of matches.
    icu::UnicodeString result;
    std::uint64_t count = 0;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find() && U_SUCCESS(status)) {
        matcher->appendReplacement(result, replacement, status);
        ++count;
    }
    if (count == 0) {
        return 0;
    }
    matcher->appendTail(result);
    if (U_FAILURE(status)) {
        // A template that does not fit the expression leaves the text as it was.
        return 0;
    }
    text.assign(result.getBuffer(), static_cast<std::size_t>(result.length()));
    return count;
}

}  // namespace quillmere
