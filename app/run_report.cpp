#include "app/run_report.h"

namespace quillmere {

namespace {

std::string notes(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " note" : " notes");
}

std::string attachments(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " attachment" : " attachments");
}

}  // namespace

std::uint64_t RunReport::notesHandled() const {
    return notesWritten() + notesSkippedEmpty() + lockedNotesNotOpened() + notesNotReadable() +
           notesNotWritten();
}

void RunReport::finish() {
    if (finished_) return;
    finished_ = true;
    if (finishedHandler_) finishedHandler_(*this);
}

std::string RunReport::summary() const {
    std::string line = cancelled() ? "Import cancelled after " + std::to_string(notesHandled()) +
                                         " of " + notes(plannedNotes()) + ": "
                                   : std::string("Import finished: ");
    const std::uint64_t locked = lockedNotesOpened() + lockedNotesNotOpened();
    line += notes(notesWritten()) + " written, " + std::to_string(notesSkippedEmpty()) +
            " skipped (empty), " + std::to_string(locked) + " locked";
    if (locked > 0) line += " (" + std::to_string(lockedNotesOpened()) + " opened)";
    line += ", " + std::to_string(notesNotReadable()) + " not readable, " +
            std::to_string(notesNotWritten()) + " not written; " +
            attachments(attachmentsCopied()) + " copied, " + std::to_string(attachmentsMissing()) +
            " missing. Folder: " + exportFolder_;
    return line;
}

}  // namespace quillmere
