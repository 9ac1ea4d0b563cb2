#pragma once
// The Notes lookup of the command: the Notes library the command was given (or the one chosen
// in the window). What is wrong with it reaches the user in the run's alert.

#include <memory>

#include "notes_source/notes_library_lookup.h"

namespace quillmere {

class TerminalNotesLookup : public NotesLookup {
public:
    explicit TerminalNotesLookup(std::shared_ptr<NotesLibraryLookup> library);

    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;
    std::optional<std::string> lastProblem() const override { return library_->lastProblem(); }

private:
    std::shared_ptr<NotesLibraryLookup> library_;
};

}  // namespace quillmere
