#pragma once
// The Notes lookup of both front ends: "Notes" is the Notes library file the user chose.
//
//   NotesLibraryLookup lookup(options.libraryPath);      // std::nullopt: none chosen
//   auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
//   if (lookup.lastError()) { std::cerr << *lookup.lastError() << '\n'; }
//
// No library chosen, or nothing at its path: no application (the run's "Could not find
// Notes.app"). A file that is not a Notes library: an application with 0 accounts (the run's
// "Could not access Notes"), with lastError() telling what is wrong.

#include <optional>
#include <string>

#include "notes_source/notes_model.h"

namespace quillmere {

class NotesLibraryLookup : public NotesLookup {
public:
    explicit NotesLibraryLookup(std::optional<std::string> path) : path_(std::move(path)) {}

    // Reads the file afresh on every call; any identifier but "com.apple.notes" answers none.
    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;

    // The one-line message of the last lookup that did not find a readable library.
    std::optional<std::string> lastError() const { return lastError_; }

private:
    std::optional<std::string> path_;
    std::optional<std::string> lastError_;
};

}  // namespace quillmere
