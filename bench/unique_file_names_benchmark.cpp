// Choosing a unique file name against 100 to 10 000 taken names, in the worst case where every
// numbered variant up to the last one is taken. Each call builds the keys of all taken names and
// tries every number once, so the time must grow linearly with the number of taken names.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "string_utils/path_utilities.h"

namespace quillmere {
namespace {

// "Café Notes.txt", "café notes - 2.txt" ... up to `count` names, in mixed composition and case.
std::vector<Text> takenNames(std::int64_t count) {
    std::vector<Text> names{u"Caf\u00E9 Notes.txt"};
    for (std::int64_t n = 2; n <= count; ++n) {
        names.push_back(u"cafe\u0301 notes - " + text::fromUtf8(std::to_string(n)) + u".TXT");
    }
    return names;
}

void BM_FilenameForPreferredName(benchmark::State& state) {
    const std::vector<Text> taken = takenNames(state.range(0));
    const Text expected =
        u"Cafe\u0301 Notes - " + text::fromUtf8(std::to_string(state.range(0) + 1)) + u".txt";
    for (auto _ : state) {
        Text name =
            PathUtilities::filenameForPrefererredName(u"Caf\u00E9 Notes.txt", std::nullopt, taken);
        if (name != expected) {
            state.SkipWithError("unexpected name");
            break;
        }
        benchmark::DoNotOptimize(name);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FilenameForPreferredName)->RangeMultiplier(10)->Range(100, 10000)->Complexity();

}  // namespace
}  // namespace quillmere
