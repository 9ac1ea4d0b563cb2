// Note files whose names clash inside one directory, written for real: `notes` notes in each of
// `folders` sibling folders of one name, so that every folder after the first clashes on every
// note. Each clash must cost the same whatever the directory holds: time per note at 20,000
// notes (or folders) stays that at 2,000.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/note_file.h"

namespace quillmere {
namespace {

void BM_ClashingNoteFiles(benchmark::State& state) {
    const std::int64_t notes = state.range(0);
    const std::int64_t folders = state.range(1);
    std::string scratch = (std::filesystem::temp_directory_path() / "clash-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) {
        state.SkipWithError("no scratch directory");
        return;
    }
    const FileURL directory = FileURL::fileURLWithPath(scratch + "/out", true);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(directory.path());
        std::filesystem::create_directory(directory.path());
        state.ResumeTiming();
        note_file::ExportDirectories directories;
        Error error;
        for (std::int64_t folder = 0; folder < folders; ++folder) {
            for (std::int64_t note = 0; note < notes; ++note) {
                const Text base = text::fromUtf8(std::to_string(note) + "_Caf\u00E9 Notes");
                if (!note_file::write(u"<p>x</p>", base, u"html", directory, &directories,
                                      &error)) {
                    state.SkipWithError(error.description.c_str());
                }
            }
        }
    }
    std::filesystem::remove_all(scratch);
    state.SetItemsProcessed(state.iterations() * notes * folders);
}
BENCHMARK(BM_ClashingNoteFiles)
    ->ArgNames({"notes", "folders"})
    ->Args({2000, 2})
    ->Args({20000, 2})
    ->Args({1, 2000})
    ->Args({1, 20000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace
}  // namespace quillmere
