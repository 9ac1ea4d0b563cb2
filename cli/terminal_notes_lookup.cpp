#include "cli/terminal_notes_lookup.h"

namespace quillmere {

TerminalNotesLookup::TerminalNotesLookup(std::shared_ptr<NotesLibraryLookup> library)
    : library_(std::move(library)) {}

std::shared_ptr<NotesApplication> TerminalNotesLookup::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    return library_->applicationWithBundleIdentifier(bundleIdentifier);
}

}  // namespace quillmere
