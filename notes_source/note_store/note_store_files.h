#pragma once
// The file side of reading a Notes database without touching it: how its path shows in messages,
// the URI that opens it as immutable, and the private copy made when a -wal file holds changes.
//
//   TemporaryCopy copy;
//   std::string fault;
//   const std::string path = copy.make("/home/ann/NoteStore.sqlite", fault);
//   if (path.empty()) log(fault);  // else open `path`; the copy goes with `copy`

#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/files/signal_removed_folder.h"

namespace quillmere::note_store {

// `path` with control characters shown as '?', for one-line messages.
std::string shownPath(const std::string& path);

// Whether `path` names a regular file (after links); its size in `size` when given.
bool isRegularFile(const std::string& path, off_t* size = nullptr);

// A file URI for SQLite: everything but unreserved characters and "/" percent-encoded, then
// "?" and `query`.
std::string fileUri(const std::string& path, const char* query);

// A private folder holding a copy of the database and its -wal file; removed with its files, also
// by removeTemporaryFoldersForSignal() when a signal or a quit ends the process first.
class TemporaryCopy {
public:
    TemporaryCopy() = default;
    ~TemporaryCopy();
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    // Copies `database` and its -wal file; answers the copy's path, or empty with `error` set.
    std::string make(const std::string& database, std::string& error);

private:
    std::string folder_;
    std::unique_ptr<SignalRemovedFolder> signalRemoved_;
};

}  // namespace quillmere::note_store
