// Markup detection, file-name sanitizing and word segmentation on inputs from 1 Ki to 1 Mi code
// units, ordinary and built to provoke worst cases. Each reports UTF-16 bytes per second and a
// fitted complexity; all three must stay linear.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/text/regular_expression.h"
#include "platform/text/word_breaks.h"
#include "string_utils/html_convenience.h"
#include "string_utils/path_utilities.h"

namespace quillmere {
namespace {

// Input lengths in code units: 1 Ki, 64 Ki, 1 Mi.
constexpr std::int64_t kSmall = 1 << 10;
constexpr std::int64_t kMedium = 1 << 16;
constexpr std::int64_t kLarge = 1 << 20;

// `part` repeated up to exactly `length` code units (a surrogate pair may be cut at the end).
Text filled(TextView part, std::int64_t length) {
    Text text;
    text.reserve(static_cast<std::size_t>(length));
    while (text.size() < static_cast<std::size_t>(length)) {
        text += part;
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Each input is built once and kept for every later run of the same benchmark.
const Text& input(const std::string& kind, std::int64_t length, TextView part) {
    static std::map<std::pair<std::string, std::int64_t>, Text> built;
    auto [entry, inserted] = built.try_emplace({kind, length});
    if (inserted) {
        entry->second = filled(part, length);
    }
    return entry->second;
}

void reportThroughput(benchmark::State& state, std::int64_t length) {
    state.SetBytesProcessed(state.iterations() * length * std::int64_t{sizeof(char16_t)});
    state.SetComplexityN(length);
}

void containsHTMLOn(benchmark::State& state, const std::string& kind, TextView part,
                    TextView suffix, bool expected) {
    const std::int64_t length = state.range(0);
    static std::map<std::pair<std::string, std::int64_t>, Text> built;
    auto [entry, inserted] = built.try_emplace({kind, length});
    if (inserted) {
        entry->second = filled(part, length - static_cast<std::int64_t>(suffix.size()));
        entry->second += suffix;
    }
    const Text& text = entry->second;
    if (HTMLConvenience::containsHTML(text) != expected) {
        state.SkipWithError("wrong answer");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(HTMLConvenience::containsHTML(text));
    }
    reportThroughput(state, length);
}

void BM_ContainsHTML_Prose(benchmark::State& state) {
    containsHTMLOn(state, "prose", u"Milk, eggs & bread cost 3 > 2 dollars.\n", u"", false);
}
void BM_ContainsHTML_OpenTags(benchmark::State& state) {
    containsHTMLOn(state, "lt", u"<", u"", false);
}
void BM_ContainsHTML_OpenEntities(benchmark::State& state) {
    containsHTMLOn(state, "amp", u"&", u"", false);
}
void BM_ContainsHTML_TagClosedAtEnd(benchmark::State& state) {
    containsHTMLOn(state, "lt_closed", u"<", u">", true);
}

// For comparison only: the backtracking search that the one-pass scan replaces.
void BM_MarkupExpression_OpenTags(benchmark::State& state) {
    static const RegularExpression markup(u"(<[^>]+>)|(&[^;]+;)", 0);
    const std::int64_t length = state.range(0);
    const Text& text = input("lt", length, u"<");
    for (auto _ : state) {
        benchmark::DoNotOptimize(markup.rangeOfFirstMatch(text, Range{0, text.size()}));
    }
    reportThroughput(state, length);
}

void sanitizingOn(benchmark::State& state, const std::string& kind, TextView part,
                  const std::function<bool(const Text&)>& check) {
    const std::int64_t length = state.range(0);
    const Text& text = input(kind, length, part);
    const Text result = PathUtilities::stringByReplacingUnallowedFilenameCharacters(text);
    if (result.size() > 100 || !check(result)) {
        state.SkipWithError("wrong result");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(PathUtilities::stringByReplacingUnallowedFilenameCharacters(text));
    }
    reportThroughput(state, length);
}

bool nonEmpty(const Text& result) { return !result.empty(); }

void BM_Sanitizing_Prose(benchmark::State& state) {
    sanitizingOn(state, "prose", u"Shopping list: milk/eggs? Then call Anne at 5. ", nonEmpty);
}
void BM_Sanitizing_ShortWords(benchmark::State& state) {
    sanitizingOn(state, "aaaa", u"aaaa ", [](const Text& r) { return r.size() == 94; });
}
void BM_Sanitizing_OneLongWord(benchmark::State& state) {
    sanitizingOn(state, "x", u"x", [](const Text& r) { return r == Text(100, u'x'); });
}
void BM_Sanitizing_Spaces(benchmark::State& state) {
    sanitizingOn(state, "spaces", u" ", [](const Text& r) { return r.empty(); });
}
void BM_Sanitizing_Emoji(benchmark::State& state) {
    sanitizingOn(state, "emoji", u"😀", [](const Text& r) { return r.empty(); });
}
void BM_Sanitizing_ZwjEmojiAndWords(benchmark::State& state) {
    sanitizingOn(state, "zwj", u"ab 👩‍👩‍👧 ", nonEmpty);
}
void BM_Sanitizing_Unallowed(benchmark::State& state) {
    sanitizingOn(state, "question", u"?", [](const Text& r) { return r == u"-"; });
}
void BM_Sanitizing_OpenTags(benchmark::State& state) {
    sanitizingOn(state, "lt", u"<", [](const Text& r) { return r == u"-"; });
}
void BM_Sanitizing_Dots(benchmark::State& state) {
    sanitizingOn(state, "dots", u".", [](const Text& r) { return r == u"_"; });
}
void BM_Sanitizing_Cjk(benchmark::State& state) {
    sanitizingOn(state, "cjk", u"東京都に住んでいます。", nonEmpty);
}
// Without punctuation the dictionary segments the whole run before the first word is known.
void BM_Sanitizing_CjkRun(benchmark::State& state) {
    sanitizingOn(state, "cjk_run", u"日本語の文章", nonEmpty);
}

// The whole-text segmentation that word enumeration rests on.
void wordsOn(benchmark::State& state, const std::string& kind, TextView part) {
    const std::int64_t length = state.range(0);
    const Text& text = input(kind, length, part);
    const auto ranges = wordEnclosingRanges(text);
    if (!ranges.empty() && ranges.back().end() != text.size()) {
        state.SkipWithError("ranges do not reach the end");
        return;
    }
    for (auto _ : state) {
        std::uint64_t words = 0;
        enumerateWordEnclosingRanges(text, [&words](Range) {
            ++words;
            return true;
        });
        benchmark::DoNotOptimize(words);
    }
    reportThroughput(state, length);
}

void BM_WordEnclosingRanges_Prose(benchmark::State& state) {
    wordsOn(state, "prose", u"Shopping list: milk/eggs? Then call Anne at 5. ");
}
void BM_WordEnclosingRanges_OneLongWord(benchmark::State& state) { wordsOn(state, "x", u"x"); }
void BM_WordEnclosingRanges_Spaces(benchmark::State& state) { wordsOn(state, "spaces", u" "); }
void BM_WordEnclosingRanges_Emoji(benchmark::State& state) { wordsOn(state, "emoji", u"😀"); }
void BM_WordEnclosingRanges_Cjk(benchmark::State& state) {
    wordsOn(state, "cjk", u"東京都に住んでいます。");
}
void BM_WordEnclosingRanges_CjkRun(benchmark::State& state) {
    wordsOn(state, "cjk_run", u"日本語の文章");
}

#define QUILLMERE_LINEAR_BENCHMARK(name) \
    BENCHMARK(name)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Complexity(benchmark::oN)

QUILLMERE_LINEAR_BENCHMARK(BM_ContainsHTML_Prose);
QUILLMERE_LINEAR_BENCHMARK(BM_ContainsHTML_OpenTags);
QUILLMERE_LINEAR_BENCHMARK(BM_ContainsHTML_OpenEntities);
QUILLMERE_LINEAR_BENCHMARK(BM_ContainsHTML_TagClosedAtEnd);
BENCHMARK(BM_MarkupExpression_OpenTags)
    ->RangeMultiplier(2)
    ->Range(1 << 10, 1 << 13)
    ->Complexity(benchmark::oNSquared);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Prose);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_ShortWords);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_OneLongWord);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Spaces);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Emoji);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_ZwjEmojiAndWords);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Unallowed);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_OpenTags);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Dots);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_Cjk);
QUILLMERE_LINEAR_BENCHMARK(BM_Sanitizing_CjkRun);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_Prose);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_OneLongWord);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_Spaces);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_Emoji);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_Cjk);
QUILLMERE_LINEAR_BENCHMARK(BM_WordEnclosingRanges_CjkRun);

}  // namespace
}  // namespace quillmere
