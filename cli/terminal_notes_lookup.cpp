#include "cli/terminal_notes_lookup.h"

#include "platform/settings/system_log.h"

namespace quillmere {

TerminalNotesLookup::TerminalNotesLookup(std::shared_ptr<NotesLibraryLookup> library,
                                         std::shared_ptr<TerminalStatusLine> statusLine)
    : library_(std::move(library)), statusLine_(std::move(statusLine)) {}

std::shared_ptr<NotesApplication> TerminalNotesLookup::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    auto application = library_->applicationWithBundleIdentifier(bundleIdentifier);
    if (auto error = library_->lastError()) {
        statusLine_->printLine(system_log::escapeControlCharacters(*error));
    }
    return application;
}

}  // namespace quillmere
