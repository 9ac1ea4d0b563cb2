#pragma once
// Every service of a run as a recording fake, installed into appServices() for the lifetime of
// the object (and cleared again afterwards). Both queues are driven by hand.
//
//   FakeAppServices services;
//   services.lookup->application = in_memory::makeApplication({account});
//   delegate->beginImport();
//   services.runWalk();   // the background walk, then the main queue's pending work

#include <memory>

#include "notes_source/in_memory_notes.h"
#include "tests/fakes/call_journal.h"
#include "tests/fakes/manual_queue.h"
#include "tests/fakes/recording_services.h"
#include "tests/fakes/scripted_link_detector.h"

namespace quillmere::test {

class FakeAppServices {
public:
    FakeAppServices();
    ~FakeAppServices();
    FakeAppServices(const FakeAppServices&) = delete;
    FakeAppServices& operator=(const FakeAppServices&) = delete;

    // Runs the background walk, then everything it posted to the main queue.
    void runWalk();

    std::shared_ptr<CallJournal> journal = std::make_shared<CallJournal>();
    std::shared_ptr<ManualQueue> mainQueue = std::make_shared<ManualQueue>();
    std::shared_ptr<ManualQueue> globalQueue = std::make_shared<ManualQueue>();
    std::shared_ptr<MemoryUserDefaults> userDefaults = std::make_shared<MemoryUserDefaults>();
    std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>(journal);
    std::shared_ptr<RecordingWorkspace> workspace = std::make_shared<RecordingWorkspace>(journal);
    std::shared_ptr<RecordingLog> log = std::make_shared<RecordingLog>();
    std::shared_ptr<ScriptedLinkDetector> linkDetector = std::make_shared<ScriptedLinkDetector>();
    std::shared_ptr<in_memory::Lookup> lookup = std::make_shared<in_memory::Lookup>();
};

}  // namespace quillmere::test
