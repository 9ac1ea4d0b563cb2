// The note text of one note on inputs built to make a naive export slow, each at a base size and
// at eight times it. Time per MiB (per link, per attachment) must stay flat: at 8x at most 1.5x
// the base. Read the "bytes_per_second" or "items_per_second" column, or run with
// --benchmark_counters_tabular=true.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>

#include "app/note_text.h"
#include "platform/links/link_scanner.h"

namespace quillmere {
namespace {

constexpr std::int64_t kKiB = 1024;

Text repeated(TextView part, std::size_t units) {
    Text text;
    text.reserve(units + part.size());
    while (text.size() < units) {
        text += part;
    }
    return text;
}

const LinkScanner& scanner() {
    static const LinkScanner detector;
    return detector;
}

struct Input {
    Text body;
    std::vector<Text> attachments;
};

// Builds the note text of `input` and reports its size in bytes of UTF-16, or per item.
void run(benchmark::State& state, const Input& input, std::int64_t items) {
    std::size_t size = 0;
    for (auto _ : state) {
        const Text text =
            note_text::build(u"Title", input.body, input.attachments, true, &scanner());
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    if (size == 0) {
        state.SkipWithError("empty note text");
    }
    if (items > 0) {
        state.SetItemsProcessed(state.iterations() * items);
    } else {
        state.SetBytesProcessed(state.iterations() *
                                static_cast<std::int64_t>(input.body.size() * sizeof(char16_t)));
    }
}

template <class Make>
const Input& cached(const char* kind, std::int64_t size, Make make) {
    static std::map<std::pair<std::string, std::int64_t>, Input> built;
    auto [entry, inserted] = built.try_emplace({kind, size});
    if (inserted) {
        entry->second = make(size);
    }
    return entry->second;
}

// "<body" again and again, never closed, with the heading rule on.
void BM_BodyTagsWithoutClose(benchmark::State& state) {
    const Input& input = cached("body", state.range(0), [](std::int64_t bytes) {
        return Input{repeated(u"<body", static_cast<std::size_t>(bytes) / 2), {}};
    });
    run(state, input, 0);
}
BENCHMARK(BM_BodyTagsWithoutClose)->Arg(16 * kKiB)->Arg(128 * kKiB);

// One link followed by "&a" again and again: a long link text full of would-be entities.
void BM_LinkFollowedByAmpersands(benchmark::State& state) {
    const Input& input = cached("ampersands", state.range(0), [](std::int64_t bytes) {
        return Input{u"http://a.io/" + repeated(u"&a", static_cast<std::size_t>(bytes) / 2), {}};
    });
    run(state, input, 0);
}
BENCHMARK(BM_LinkFollowedByAmpersands)->Arg(16 * kKiB)->Arg(128 * kKiB);

// Many links in one note; time per link.
void BM_ManyLinks(benchmark::State& state) {
    const Input& input = cached("links", state.range(0), [](std::int64_t links) {
        Text body = u"<div>";
        for (std::int64_t i = 0; i < links; ++i) {
            body += i % 2 == 0 ? u"see www.example.com/a and " : u"mail anna@example.com, ";
        }
        return Input{body + u"</div>", {}};
    });
    run(state, input, state.range(0));
}
BENCHMARK(BM_ManyLinks)->Arg(10000)->Arg(80000);

// A realistic Notes body of 1 MiB and of 8 MiB.
void BM_RealisticBody(benchmark::State& state) {
    const Input& input = cached("realistic", state.range(0), [](std::int64_t bytes) {
        const Text lines =
            u"<div><b>Serves 4</b> &amp; more</div>\n<div><br></div>\n<ul>\n<li>200 g flour, "
            u"see https://example.com/recipe?id=4&amp;x=1 or www.bbc.co.uk/food</li>\n"
            u"<li>ask anna@example.com &mdash; she knows</li>\n</ul>\n<div>Whisk everything, "
            u"rest it for <i>30 minutes</i> &amp fry in butter.</div>\n<div><tt>code</tt></div>\n";
        return Input{u"<div><h1>Pancakes</h1></div>\n" +
                         repeated(lines, static_cast<std::size_t>(bytes) / 2),
                     {}};
    });
    run(state, input, 0);
}
BENCHMARK(BM_RealisticBody)->Arg(1024 * kKiB)->Arg(8 * 1024 * kKiB)->Unit(benchmark::kMillisecond);

// Attachment characters, each with a named attachment; time per attachment.
void BM_NamedAttachments(benchmark::State& state) {
    const Input& input = cached("attachments", state.range(0), [](std::int64_t count) {
        Input built;
        for (std::int64_t i = 0; i < count; ++i) {
            built.body += u"<div>\uFFFC</div>\n";
            built.attachments.push_back(u"image " + Text(1, u'a' + i % 26) + u".jpeg");
        }
        return built;
    });
    run(state, input, state.range(0));
}
BENCHMARK(BM_NamedAttachments)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
