#pragma once
// The Notes lookup of both front ends: "Notes" is what the user chose, told apart by content:
// a Notes library file, or Apple's Notes database (NoteStore.sqlite, or a folder holding it such
// as a copied group.com.apple.notes folder).
//
//   NotesLibraryLookup lookup(options.libraryPath);      // std::nullopt: none chosen
//   auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
//   if (lookup.lastError()) { std::cerr << *lookup.lastError() << '\n'; }
//
// No library chosen, or nothing at its path: no application (the run's "Could not find your
// notes"). A file that is there but cannot be read or is not a Notes library: an application
// with 0 accounts (the run's "Could not access Notes"), with lastError() telling what is wrong;
// also a library that holds no accounts has a lastError() that says so.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "notes_source/note_store/note_store_database.h"
#include "notes_source/notes_model.h"
#include "platform/crypto/password_ring.h"

namespace quillmere {

class NotesLibraryLookup : public NotesLookup {
public:
    // Makes the passwords of one run, afresh for every lookup, so that they go away with it.
    using PasswordRingMaker = std::function<std::shared_ptr<PasswordRing>()>;

    // `reportFault` receives one line per note of a Notes database that cannot be read or stays
    // locked; `passwords` (may be empty: none given) opens locked notes.
    explicit NotesLibraryLookup(std::optional<std::string> path, NoteFaultReporter reportFault = {},
                                PasswordRingMaker passwords = {})
        : path_(std::move(path)),
          reportFault_(std::move(reportFault)),
          passwords_(std::move(passwords)) {}

    // Reads the file afresh on every call; any identifier but "com.apple.notes" answers none.
    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;

    // The passwords an encrypted backup is opened with; without them it cannot be read.
    void setBackupPasswords(PasswordRingMaker passwords) {
        backupPasswords_ = std::move(passwords);
    }

    // The one-line message of the last lookup that did not find a readable library.
    std::optional<std::string> lastError() const { return lastError_; }
    std::optional<std::string> lastProblem() const override { return lastError_; }

private:
    std::optional<std::string> path_;
    std::optional<std::string> lastError_;
    NoteFaultReporter reportFault_;
    PasswordRingMaker passwords_;
    PasswordRingMaker backupPasswords_;
};

}  // namespace quillmere
