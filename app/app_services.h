#pragma once
// The platform services the import run uses, installed by the front end before the first run
// (tests install fakes). AppDelegate reaches them only through appServices().
//
// Contract: install (or replace) the set from any thread at any time before a run starts; the
// install is published so that every thread a later run uses sees the whole new set. A run
// reads the services step by step, so replace them only once its last step has run (the
// command-line front end waits for its queues first). Before the first install every service is
// null.

#include <memory>

#include "notes_source/notes_model.h"
#include "platform/dispatch/dispatch_queue.h"
#include "platform/links/link_detector.h"
#include "platform/settings/log.h"
#include "platform/settings/user_defaults.h"
#include "platform/ui/alerts.h"
#include "platform/ui/workspace.h"

namespace quillmere {

struct AppServices {
    std::shared_ptr<DispatchQueue> mainQueue;    // the front end's event loop
    std::shared_ptr<DispatchQueue> globalQueue;  // the background queue of the walk
    std::shared_ptr<UserDefaults> userDefaults;
    std::shared_ptr<Alerts> alerts;
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<Log> log;
    std::shared_ptr<const LinkDetector> linkDetector;
    std::shared_ptr<NotesLookup> notesLookup;
};

// Replaces the installed services (see the contract above).
void installAppServices(AppServices services);
// The installed services; the reference stays valid until the next install.
const AppServices& appServices();

}  // namespace quillmere
