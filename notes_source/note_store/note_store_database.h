#pragma once
// Apple's own Notes database, NoteStore.sqlite, read as the Notes scripting model: its accounts,
// its folders as Notes lists them ("Recently Deleted" included; nothing marked for deletion, no
// smart folders), and its notes with their titles, dates and bodies as HTML.
//
// The file is never written to, and nothing is written beside it: a database without a "-wal"
// file beside it is opened as immutable; one with changes still in its "-wal" file is read
// from a private copy of both, removed when the last object of it goes away. Column names
// differ between macOS versions and are found from the schema. Rows are read as the run asks
// for them, so memory grows with the largest note, not with the number of notes.
//
//   auto open = openNoteStore("/home/ann/group.com.apple.notes/NoteStore.sqlite", log);
//   if (open.application) { ... } else { std::cerr << *open.error << '\n'; }

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "notes_source/notes_model.h"
#include "notes_source/source_files.h"
#include "platform/crypto/password_ring.h"

namespace quillmere {

// Receives one line for each note that cannot be read (bad gzip, bad protocol buffer).
using NoteFaultReporter = std::function<void(const std::string& line)>;

// A note of a Notes database, with what the dumps of Notes show beyond the scripting model.
class NoteStoreNote : public NotesNote {
public:
    // "x-coredata://<store UUID>/ICNote/p<primary key>".
    virtual std::string id() const = 0;
    virtual bool passwordProtected() const = 0;
};

struct NoteStoreOpen {
    std::shared_ptr<NotesApplication> application;  // null when it cannot be read
    std::optional<std::string> error;               // one line naming the file and the fault
};

// Whether the file at `path` begins as an SQLite database does.
bool looksLikeSqliteDatabase(const std::string& path);

// The database itself when `path` is a folder holding one ("NoteStore.sqlite"), else `path`.
std::string noteStorePathIn(const std::string& path);

// Why the "NoteStore.sqlite" inside the folder `path` cannot be read though something of that
// name is there: "a symbolic link loop", "a dangling symbolic link", "a folder, not a database",
// or the system's reason. None when nothing of that name is there or it is a regular file.
std::optional<std::string> noteStoreFaultIn(const std::string& path);

// Opens the Notes database at `path` (a file). `reportFault` may be empty. `files` are the
// container's files beside the database, where attachments are found; without them every
// attachment's file is `notKept`. Locked notes are opened with `passwords` (null: none given);
// one that stays locked reads with an empty body and is one line to `reportFault`:
// 'Note "<title>" (<id>): <why>'.
NoteStoreOpen openNoteStore(const std::string& path, NoteFaultReporter reportFault,
                            std::shared_ptr<const SourceFiles> files = nullptr,
                            std::shared_ptr<PasswordRing> passwords = nullptr);

}  // namespace quillmere
