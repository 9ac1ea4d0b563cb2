#pragma once
// The common set-up of the AppDelegate tests: a private environment (TMPDIR and HOME in a
// temporary directory), the settings in a file there, every other service as a recording fake
// installed for the test's lifetime, a delegate with recording outlets whose launch handler has
// run, and readers for what a run left on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "notes_source/in_memory_notes.h"
#include "platform/settings/user_defaults_store.h"
#include "platform/ui/window.h"
#include "tests/fakes/recording_services.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {

namespace fs = std::filesystem;
using in_memory::folder;
using in_memory::makeAccount;
using in_memory::makeApplication;
using in_memory::makeNote;

inline const char* const kHeadingKey = AppDelegate::kUseFirstParagraphAsHeadingKey;

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() {
        installAppServices(AppServices{mainQueue, globalQueue, defaults, alerts, workspace, log,
                                       linkDetector, lookup});
        delegate->setWindow(window);
        delegate->setProgressIndicator(std::static_pointer_cast<ProgressIndicator>(progress));
        delegate->setStartButton(std::static_pointer_cast<Button>(button));
        delegate->applicationDidFinishLaunching();
    }
    ~AppDelegateTest() override { installAppServices(AppServices{}); }

    // Presses the start button with `application` as Notes, then runs the background walk and
    // the main queue to the end.
    void runImport(std::shared_ptr<NotesApplication> application) {
        lookup->application = std::move(application);
        delegate->beginImport();
        globalQueue->runAll();
        mainQueue->runAll();
    }

    // The application's folder inside the private temporary directory.
    fs::path temporaryContainer() const { return env.tmp() / "com.quillmereapp.NotesImporter"; }

    // The export folder of the one run so far.
    fs::path exportFolder() const {
        return fs::directory_iterator(temporaryContainer())->path() / "Imported from Notes";
    }

    std::size_t count(const std::string& call) const {
        return std::count(journal->begin(), journal->end(), call);
    }

    PrivateEnvironment env;
    std::shared_ptr<CallJournal> journal = std::make_shared<CallJournal>();
    std::shared_ptr<ManualQueue> mainQueue = std::make_shared<ManualQueue>();
    std::shared_ptr<ManualQueue> globalQueue = std::make_shared<ManualQueue>(true);
    std::shared_ptr<UserDefaultsStore> defaults =
        std::make_shared<UserDefaultsStore>(env.root() / "settings.json");
    std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>(journal);
    std::shared_ptr<RecordingWorkspace> workspace = std::make_shared<RecordingWorkspace>(journal);
    std::shared_ptr<RecordingLog> log = std::make_shared<RecordingLog>();
    std::shared_ptr<ScriptedLinkDetector> linkDetector = std::make_shared<ScriptedLinkDetector>();
    std::shared_ptr<in_memory::Lookup> lookup = std::make_shared<in_memory::Lookup>();
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<RecordingControl> progress =
        std::make_shared<RecordingControl>(journal, "progress", true);
    std::shared_ptr<RecordingControl> button =
        std::make_shared<RecordingControl>(journal, "button", false);
    std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>();
};

}  // namespace quillmere::test
