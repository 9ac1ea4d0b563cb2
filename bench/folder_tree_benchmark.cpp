// Folders nested `depth` deep with one note each, exported by the folder-tree walk onto the
// disk. No folder's creation checks the elements of its path again, and every file operation
// goes through the open parent directory instead of the absolute path, so the work per folder
// is about the same at any depth: compare the time per item at 125 and at 1,000 levels.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "notes_source/in_memory_notes.h"

namespace quillmere {
namespace {

struct QuietLog : Log {
    void log(const std::string&) override {}
};

struct PlainNotes : UserDefaults {
    void registerBool(const std::string&, bool) override {}
    bool boolForKey(const std::string&) const override { return false; }
    void setBool(const std::string&, bool) override {}
    std::optional<std::string> stringForKey(const std::string&) const override {
        return std::nullopt;
    }
    void setString(const std::string&, const std::string&) override {}
};

// Runs work at once; the progress steps then cost nothing to keep.
struct ImmediateQueue : DispatchQueue {
    void async(std::function<void()> work) override { work(); }
    void sync(std::function<void()> work) override { work(); }
};

struct CountingAlerts : Alerts {
    void runModal(const Alert&) override { ++shown; }
    int shown = 0;
};

void BM_NestedFolders(benchmark::State& state) {
    const std::int64_t depth = state.range(0);
    in_memory::FolderTree tree = in_memory::folder(u"f0", u"F", {in_memory::makeNote(u"N", u"x")});
    for (std::int64_t level = 1; level < depth; ++level) {
        tree = in_memory::folder(text::fromUtf8("f" + std::to_string(level)), u"F",
                                 {in_memory::makeNote(u"N", u"x")}, {std::move(tree)});
    }
    // The account lists every folder; all but the top one are skipped at its level.
    const auto account = in_memory::makeAccount(u"acc", u"A", {std::move(tree)});
    const ElementList<NotesFolder> folders = account->folders();
    const auto alerts = std::make_shared<CountingAlerts>();
    const auto queue = std::make_shared<ImmediateQueue>();
    installAppServices(AppServices{queue, queue, std::make_shared<PlainNotes>(), alerts, nullptr,
                                   std::make_shared<QuietLog>(), nullptr, nullptr});

    std::string scratch = (std::filesystem::temp_directory_path() / "tree-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) {
        state.SkipWithError("no scratch directory");
        return;
    }
    const auto delegate = std::make_shared<AppDelegate>();
    // Each run gets a new folder, removed only at the end: removing inside the loop makes the
    // file system's inode allocation, not the walk, the cost being measured.
    std::int64_t run = 0;
    for (auto _ : state) {
        delegate->createFolders(
            folders, u"acc",
            FileURL::fileURLWithPath(scratch + "/out" + std::to_string(run++), true));
    }
    if (alerts->shown != 0) {
        state.SkipWithError("a directory could not be made");
    }
    std::filesystem::remove_all(scratch);
    installAppServices(AppServices{});
    state.SetItemsProcessed(state.iterations() * depth);
}
BENCHMARK(BM_NestedFolders)
    ->ArgName("depth")
    ->Arg(125)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
