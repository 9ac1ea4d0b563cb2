#pragma once
// The common set-up of the AppDelegate tests: a private environment (TMPDIR and HOME in a
// temporary directory), every service as a recording fake, a delegate with recording outlets
// whose launch handler has run, and readers for what a run left on disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "notes_source/in_memory_notes.h"
#include "tests/fakes/fake_app_services.h"
#include "tests/fakes/recording_controls.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {

namespace fs = std::filesystem;

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        delegate->setWindow(window);
        delegate->setProgressIndicator(progress);
        delegate->setStartButton(button);
        delegate->applicationDidFinishLaunching();
    }

    // Presses the start button with `application` as Notes, then runs the walk and the main
    // queue to the end.
    void runImport(std::shared_ptr<NotesApplication> application) {
        services.lookup->application = std::move(application);
        delegate->beginImport();
        services.runWalk();
    }

    // The application's folder inside the private temporary directory.
    fs::path temporaryContainer() const { return env.tmp() / "com.quillmereapp.NotesImporter"; }

    // The unique directories that runs have made, sorted.
    std::vector<fs::path> uniqueDirectories() const {
        std::vector<fs::path> found;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(temporaryContainer(), ignored)) {
            found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    // The export folder of the one run so far.
    fs::path exportFolder() const {
        const auto directories = uniqueDirectories();
        EXPECT_EQ(directories.size(), 1u);
        return directories.empty() ? fs::path() : directories.front() / "Imported from Notes";
    }

    // The export folder that the latest completed run offered.
    fs::path lastExportFolder() const {
        const auto& requests = services.workspace->openRequests;
        EXPECT_FALSE(requests.empty());
        return requests.empty() ? fs::path() : fs::path(requests.back().urls.at(0).path());
    }

    // Everything below `root`: relative path -> file content, or "<dir>" for a directory.
    static std::map<std::string, std::string> tree(const fs::path& root) {
        std::map<std::string, std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string relative = fs::relative(entry.path(), root).string();
            entries[relative] = entry.is_directory() ? "<dir>" : readFile(entry.path());
        }
        return entries;
    }

    static std::string utf8(const Text& text) { return text::toUtf8(text); }

    PrivateEnvironment env;
    FakeAppServices services;
    std::shared_ptr<Window> window = std::make_shared<PlainWindow>();
    std::shared_ptr<RecordingProgressIndicator> progress =
        std::make_shared<RecordingProgressIndicator>(services.journal);
    std::shared_ptr<RecordingButton> button = std::make_shared<RecordingButton>(services.journal);
    std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>();
};

}  // namespace quillmere::test
