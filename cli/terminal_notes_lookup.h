#pragma once
// The Notes lookup of the command: the Notes library file, and when it cannot be read, the
// one line that tells what is wrong with it, printed on standard error as the run reads it.

#include <memory>

#include "cli/terminal_status_line.h"
#include "notes_source/notes_library_lookup.h"

namespace quillmere {

class TerminalNotesLookup : public NotesLookup {
public:
    TerminalNotesLookup(std::shared_ptr<NotesLibraryLookup> library,
                        std::shared_ptr<TerminalStatusLine> statusLine);

    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;

private:
    std::shared_ptr<NotesLibraryLookup> library_;
    std::shared_ptr<TerminalStatusLine> statusLine_;
};

}  // namespace quillmere
