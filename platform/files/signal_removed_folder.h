#pragma once
// A private temporary folder that must not outlive the process, even when a signal ends it (a
// copy of a database with its -wal and -shm files): while a SignalRemovedFolder lives, the folder
// and the named files in it are removed by removeTemporaryFoldersForSignal(), which a SIGINT,
// SIGTERM or SIGABRT handler, or a quit that skips destructors, calls.
//
//   SignalRemovedFolder guard("/tmp/q/notestore-x1", {"NoteStore.sqlite", "NoteStore.sqlite-wal"});
//   ...  // the owner removes the folder itself when all goes well

#include <initializer_list>
#include <string>

namespace quillmere {

class SignalRemovedFolder {
public:
    // Registers `folder` with the names of the files it may hold. A folder whose paths do not fit
    // the registry's fixed room, or one more than it has slots for, is not registered.
    SignalRemovedFolder(const std::string& folder, std::initializer_list<const char*> names);
    ~SignalRemovedFolder();  // unregisters; removes nothing
    SignalRemovedFolder(const SignalRemovedFolder&) = delete;
    SignalRemovedFolder& operator=(const SignalRemovedFolder&) = delete;

    bool registered() const { return slot_ >= 0; }

private:
    int slot_ = -1;
};

// Removes the named files of every registered folder, then the folder. Async-signal-safe.
void removeTemporaryFoldersForSignal();

}  // namespace quillmere
