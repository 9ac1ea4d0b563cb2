// Time of the link detector on a note full of links and on inputs built to make a careless
// scanner go back over the text (runs of dots, "www.", "@", "(", digits and dots…). Each runs
// at 64 KiB, 256 KiB and 1 MiB; the fitted complexity should be O(N).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/links/link_scanner.h"
#include "platform/links/top_level_domains.h"

namespace quillmere {
namespace {

constexpr std::size_t kLinkEvery = 104;  // a note of 1 Mi code units holds 10,082 links

// Note-like HTML: paragraphs with one link each (a URL with a query, a "www." name, a bare name
// and an e-mail address in turn), entities, an existing anchor and markup around them.
Text noteWithLinks(std::size_t size, std::size_t& links) {
    Text note;
    links = 0;
    for (std::size_t i = 0; note.size() + kLinkEvery <= size; ++i) {
        const Text number = text::fromUtf8(std::to_string(i));
        Text unit = u"<div>Lorem&nbsp;";
        switch (i % 4) {
            case 0:
                unit.append(u"https://example.com/notes/").append(number).append(u"?a=1&amp;b=2");
                break;
            case 1:
                unit.append(u"(www.example.org/p/").append(number).append(u")");
                break;
            case 2:
                unit.append(u"apple.com/").append(number).append(u".");
                break;
            default:
                unit.append(u"me").append(number).append(u"@example.net");
                break;
        }
        unit.append(u" <a href=\"https://x.org\">x.org</a>");
        if (unit.size() > kLinkEvery - 7) {
            std::abort();  // the paragraph would be cut inside its markup
        }
        unit.resize(kLinkEvery - 7, u' ');
        unit.append(u"</div>\n");
        note.append(unit);
        ++links;
    }
    note.resize(size, u' ');
    return note;
}

Text repeated(std::u16string_view piece, std::size_t size) {
    Text result;
    result.reserve(size + piece.size());
    while (result.size() < size) {
        result += piece;
    }
    result.resize(size);
    return result;
}

// The inputs, built once for each kind and size.
const Text& input(int kind, std::size_t size, std::size_t& expectedLinks) {
    static std::map<std::pair<int, std::size_t>, std::pair<Text, std::size_t>> built;
    auto [it, inserted] = built.try_emplace({kind, size});
    if (inserted) {
        std::size_t links = 0;
        switch (kind) {
            case 0:
                it->second.first = noteWithLinks(size, links);
                break;
            case 1:
                it->second.first = repeated(u".", size);
                break;
            case 2:
                it->second.first = repeated(u"www.", size);
                break;
            case 3:
                it->second.first = repeated(u"@", size);
                break;
            case 4:
                it->second.first = repeated(u"((((", size);
                break;
            case 5:
                it->second.first = repeated(u"1.2.3.4.", size);
                break;
            case 6:
                it->second.first = repeated(u"a@b.", size);
                break;
            case 7:
                it->second.first = repeated(u"http://-", size);
                break;
            default:
                it->second.first = repeated(u"&amp;&", size);
                break;
        }
        it->second.second = links;
    }
    expectedLinks = it->second.second;
    return it->second.first;
}

void detect(benchmark::State& state, int kind) {
    if (systemTopLevelDomains().empty()) {
        state.SkipWithError("no public suffix list installed");
        return;
    }
    const LinkScanner detector;
    std::size_t expected = 0;
    const Text& text = input(kind, static_cast<std::size_t>(state.range(0)), expected);
    for (auto _ : state) {
        const std::vector<Range> links = detector.matchesInString(text);
        if (links.size() != expected) {
            state.SkipWithError("unexpected number of links");
            break;
        }
        benchmark::DoNotOptimize(links.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
}

#define LINK_BENCHMARK(name, kind)                              \
    void name(benchmark::State& state) { detect(state, kind); } \
    BENCHMARK(name)                                             \
        ->RangeMultiplier(4)                                    \
        ->Range(64 << 10, 1 << 20)                              \
        ->Complexity(benchmark::oN)                             \
        ->Unit(benchmark::kMillisecond)

LINK_BENCHMARK(NoteWithLinks, 0);
LINK_BENCHMARK(Dots, 1);
LINK_BENCHMARK(Www, 2);
LINK_BENCHMARK(AtSigns, 3);
LINK_BENCHMARK(OpeningBrackets, 4);
LINK_BENCHMARK(DigitsAndDots, 5);
LINK_BENCHMARK(AddressLikeRuns, 6);
LINK_BENCHMARK(BrokenSchemes, 7);
LINK_BENCHMARK(Ampersands, 8);

}  // namespace
}  // namespace quillmere
