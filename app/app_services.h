#pragma once
// The platform services the import run uses, installed once by the front end before the first
// run (tests install fakes). AppDelegate reaches them only through appServices().

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

// Replaces the installed services. Not thread-safe: call it before any run starts.
void installAppServices(AppServices services);
// The installed services; every member is set once a front end has installed them.
const AppServices& appServices();

}  // namespace quillmere
