#pragma once
// What one import run did, counted while it goes: notes written, skipped because empty, locked
// (opened or not), not readable and not written; attachments copied and missing; whether the
// user cancelled it, and where its folder is. The walk counts into it; the front ends read it
// for the summary line, the window's status line and the command's exit status, and cancel
// the run through it. The run owns it, not the delegate: beginImport hands it out.
//
//   std::shared_ptr<RunReport> report = delegate->beginImport();
//   if (report) report->setFinishedHandler([](const RunReport& r) { show(r.summary()); });
//   ...
//   report->requestCancel();   // the walk stops after the note it is on
//
// Counting and cancelling are safe from any thread (requestCancel also from a signal handler).
// The folder, the planned count and the finished handler are set on the main queue before the
// run's completion step, which calls finish() there.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace quillmere {

class RunReport {
public:
    // ---- Counting, one call per note or attachment (the walk, any thread) ----
    // A note became a file. A locked note that was opened counts here and as opened.
    void countNoteWritten() { add(kWritten); }
    // A note with nothing to write: no file.
    void countNoteSkippedEmpty() { add(kSkippedEmpty); }
    // A locked note that a password opened; its file is counted by countNoteWritten.
    void countLockedNoteOpened() { add(kLockedOpened); }
    // A locked note that stayed locked: its file, if any, holds its title alone.
    void countLockedNoteNotOpened() { add(kLockedNotOpened); }
    // A note that could not be read (damaged, over its budget, its data gone): no file.
    void countNoteNotReadable() { add(kNotReadable); }
    // A note whose file could not be written (a full disk, no permission).
    void countNoteNotWritten() { add(kNotWritten); }
    void countAttachmentCopied() { add(kAttachmentsCopied); }
    // An attachment whose file was not there or could not be copied.
    void countAttachmentMissing() { add(kAttachmentsMissing); }

    // ---- The counts so far ----
    std::uint64_t notesWritten() const { return get(kWritten); }
    std::uint64_t notesSkippedEmpty() const { return get(kSkippedEmpty); }
    std::uint64_t lockedNotesOpened() const { return get(kLockedOpened); }
    std::uint64_t lockedNotesNotOpened() const { return get(kLockedNotOpened); }
    std::uint64_t notesNotReadable() const { return get(kNotReadable); }
    std::uint64_t notesNotWritten() const { return get(kNotWritten); }
    std::uint64_t attachmentsCopied() const { return get(kAttachmentsCopied); }
    std::uint64_t attachmentsMissing() const { return get(kAttachmentsMissing); }
    // Every note the run has dealt with, a file or not (an opened locked note once).
    std::uint64_t notesHandled() const;
    // False when a note could not be read or written: the run ended, but lost something.
    bool everyNoteHandled() const { return notesNotReadable() == 0 && notesNotWritten() == 0; }

    // ---- Cancelling ----
    // Asks the walk to stop after the note it is on. Async-signal-safe.
    void requestCancel() { cancelRequested_.store(true, std::memory_order_relaxed); }
    bool cancelRequested() const { return cancelRequested_.load(std::memory_order_relaxed); }
    // Set by the walk when it stopped early because of a request.
    void markCancelled() { cancelled_.store(true); }
    bool cancelled() const { return cancelled_.load(); }

    // ---- The run's frame (main queue) ----
    void setExportFolder(std::string path) { exportFolder_ = std::move(path); }
    const std::string& exportFolder() const { return exportFolder_; }
    // The number the progress bar was sized by.
    void setPlannedNotes(std::uint64_t count) { plannedNotes_ = count; }
    std::uint64_t plannedNotes() const { return plannedNotes_; }

    // Called once by finish(), on the main queue, after the walk has ended and before the
    // folder is handed over.
    void setFinishedHandler(std::function<void(const RunReport&)> handler) {
        finishedHandler_ = std::move(handler);
    }
    void finish();
    bool finished() const { return finished_; }

    // One line, UTF-8, for standard error and the window's status line, e.g.
    // "Import finished: 12 notes written, 1 skipped (empty), 0 locked, 0 not readable,
    //  0 not written; 3 attachments copied, 0 missing. Folder: /home/ann/Notes/Imported from
    //  Notes" (one line). A cancelled run starts "Import cancelled after 5 of 40 notes: ".
    std::string summary() const;

private:
    enum Counter : std::size_t {
        kWritten,
        kSkippedEmpty,
        kLockedOpened,
        kLockedNotOpened,
        kNotReadable,
        kNotWritten,
        kAttachmentsCopied,
        kAttachmentsMissing,
        kCounterCount,
    };
    void add(Counter counter) { counts_[counter].fetch_add(1, std::memory_order_relaxed); }
    std::uint64_t get(Counter counter) const {
        return counts_[counter].load(std::memory_order_relaxed);
    }

    std::array<std::atomic<std::uint64_t>, kCounterCount> counts_{};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> cancelled_{false};
    std::string exportFolder_;
    std::uint64_t plannedNotes_ = 0;
    std::function<void(const RunReport&)> finishedHandler_;
    bool finished_ = false;
};

}  // namespace quillmere
