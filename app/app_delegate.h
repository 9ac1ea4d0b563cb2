#pragma once
// The application's delegate and only controller: it starts an import run, mirrors the Notes
// folder tree into a fresh export folder, turns every note into one file, and hands the folder
// to Quillmere. A front end makes one, sets its outlets and calls its handlers; the services it
// needs come from appServices().
//
//   auto delegate = std::make_shared<AppDelegate>();
//   delegate->setProgressIndicator(bar);
//   delegate->setStartButton(button);
//   delegate->applicationDidFinishLaunching();
//   auto report = delegate->beginImport();  // on the main queue; the walk goes on in the
//   background
//
// The delegate keeps no state of a run: everything a later step needs travels with it, so a run
// holds the delegate alive (shared_from_this) until its completion step has run. (Its queue of
// notes listed but not yet written is empty whenever no walk is in a call.) What the run
// did is counted in its RunReport, which travels with the walk (in its ExportDirectories) and
// which beginImport hands to the front end.

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/note_text.h"
#include "app/run_report.h"
#include "notes_source/notes_model.h"
#include "platform/date.h"
#include "platform/dispatch/background_queue.h"
#include "platform/files/file_url.h"
#include "platform/text/regular_expression.h"
#include "platform/text/text.h"
#include "platform/ui/button.h"
#include "platform/ui/progress_indicator.h"
#include "platform/ui/window.h"

namespace quillmere {

namespace note_file {
class ExportDirectories;
}
class NoteQueue;
struct PendingDirectory;

class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
public:
    // The user default that makes the first paragraph of every note a level-1 heading.
    static constexpr const char* kUseFirstParagraphAsHeadingKey = "useFirstParagraphAsHeading";
    // The user default that leaves the "Recently Deleted" folders out (registered NO).
    static constexpr const char* kSkipRecentlyDeletedKey = "skipRecentlyDeleted";
    // The user default that chooses the notes' files: "html" (also when unset or unknown) or
    // "markdown".
    static constexpr const char* kExportFormatKey = "exportFormat";
    // The user default that copies each note's attachment files beside it ("Attachments").
    static constexpr const char* kCopyAttachmentsKey = "copyAttachments";
    // The bundle identifier the Notes application is looked up by.
    static constexpr const char* kNotesBundleIdentifier = "com.apple.notes";

    AppDelegate();
    ~AppDelegate();

    // ---- Outlets: weak references that the front end sets ----
    std::weak_ptr<Window> window() const { return window_; }
    void setWindow(std::weak_ptr<Window> window) { window_ = std::move(window); }
    std::weak_ptr<ProgressIndicator> progressIndicator() const { return progressIndicator_; }
    void setProgressIndicator(std::weak_ptr<ProgressIndicator> indicator) {
        progressIndicator_ = std::move(indicator);
    }
    std::weak_ptr<Button> startButton() const { return startButton_; }
    void setStartButton(std::weak_ptr<Button> button) { startButton_ = std::move(button); }

    // ---- Application ----
    // Registers the default YES for the heading preference; a value the user stored wins.
    void applicationDidFinishLaunching();
    // Closing the window quits the application.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    // Runs one import. Called on the main queue; returns once the walk is submitted to the
    // global queue, or at once after an alert that ends the run. The delegate must be owned by a
    // std::shared_ptr. Answers the run's report, or null when an alert ended the run; the
    // completion step calls its finish() on the main queue before the hand-over.
    std::shared_ptr<RunReport> beginImport(const void* sender = nullptr);

    // ---- Folder tree (on the background walk) ----
    // Each takes the names the walk has given out so far; without them (a call outside a walk)
    // it looks at the directories on disk instead.
    //
    // Creates `url` and exports every folder of `folders` whose container is `parentId`.
    void createFolders(const ElementList<NotesFolder>& folders, const std::optional<Text>& parentId,
                       const FileURL& url, note_file::ExportDirectories* directories = nullptr);
    // Exports one folder below `url`: its directory, its notes, then its sub-folders.
    void createFolder(const std::shared_ptr<NotesFolder>& folder,
                      const std::optional<Text>& parentId, const FileURL& url,
                      note_file::ExportDirectories* directories = nullptr);
    // Exports every note of the list into the directory `url`, in list order.
    void writeNotes(const ElementList<NotesNote>& notes, const FileURL& url,
                    note_file::ExportDirectories* directories = nullptr);
    // Creates the directory (and, unless told the parent exists, missing parents); on failure
    // shows the error alert on the main queue, waiting until it is dismissed, and answers false.
    bool createDirectoryAtURL(const FileURL& url, bool withIntermediateDirectories = true,
                              note_file::ExportDirectories* directories = nullptr);

    // ---- Note export (on the background walk) ----
    // Turns one note, at `index` in its folder's list, into one file in `folderURL`, then posts
    // one progress step to the main queue. Never fails: problems are logged.
    void exportNote(const std::shared_ptr<NotesNote>& note, std::uint64_t index,
                    const FileURL& folderURL, note_file::ExportDirectories* directories = nullptr);

    // ---- First-paragraph heading ----
    // Makes the first paragraph of the HTML text (searched after the body start tag when the
    // text has a body) a level-1 heading, in place.
    void convertFirstParagraphToHeadingInString(Text& text) const;
    // One tag or one entity, "(<.+>)|(&.+;)": cuts a tag or an entity off the end of a link.
    // The same object on every call.
    static const RegularExpression& simpleXMLContentExpression();

private:
    // One note as the export reads it from Notes; `note` is null for a missing element.
    struct NoteForExport {
        std::shared_ptr<NotesNote> note;
        Text name;
        Text body;
        std::vector<Text> attachmentNames;
        // With copying on, each attachment's file as the source hands it over.
        std::vector<AttachmentFile> attachmentFiles;
        bool copyAttachments = false;
        bool firstParagraphAsHeading = false;
        bool markdown = false;                 // the export format is Markdown
        LockState lock = LockState::unlocked;  // known once the body is read
        bool readable = true;                  // known once the body is read
        std::optional<Date> created, modified;
    };
    // A note's text as built off the walk: up to its links or, when nothing in it waits for
    // the walk (no attachment file to copy, no Markdown with its place), finished and in the
    // bytes of its file; then the linked text is let go where it was made, as the allocator
    // prefers (a block freed on another thread waits for the lock of the thread that made it).
    struct BuiltText {
        note_text::LinkedText linked;
        struct Finished {
            bool isHtml = false;
            std::string utf8;  // empty for an empty text
        };
        std::optional<Finished> finished;
    };
    // The note export step in three parts: reading the note (on the reader thread), building its
    // text (pure, on any thread), then finishing the text where the walk must and writing its
    // file, setting its dates or logging (on the walk). Only the reader thread reads a note's
    // source, and the files its attachments name: a source serves one thread at a time.
    NoteForExport readNoteForExport(const std::shared_ptr<NotesNote>& note) const;
    static BuiltText buildNoteText(const NoteForExport& note);
    void writeNoteFile(const NoteForExport& note, const BuiltText& built, std::uint64_t index,
                       const FileURL& folderURL, note_file::ExportDirectories* directories);
    // A note whose reading or text failed (memory ran out, a backend threw): one log line naming
    // it and why, counted as not readable; the walk goes on with the next note.
    static void noteFailed(const Text& name, const std::exception& failure,
                           note_file::ExportDirectories* directories);
    // The report the walk counts into: the walk's, or one nobody reads for a call outside a walk.
    static RunReport& reportOf(note_file::ExportDirectories* directories);
    // Whether the user cancelled the run: checked before each account, folder and note, so
    // that the walk stops after the note it is on. Marks the report cancelled when it answers
    // true, as work is left then.
    static bool stopsForCancel(note_file::ExportDirectories* directories);
    // Copies the note's attachment files into its folder's "Attachments", counts and logs them,
    // and answers how its text refers to each attachment.
    std::vector<note_text::AttachmentReference> copyAttachmentFiles(
        const NoteForExport& note, const FileURL& folderURL,
        note_file::ExportDirectories* directories);
    // Posts `count` progress steps to the main queue as one block, each step its own increment.
    void postProgressSteps(std::uint64_t count);

    // The part of a run that goes on in the background, and its final step on the main queue.
    void walkAccounts(const std::shared_ptr<NotesApplication>& notes, const FileURL& exportFolder,
                      const std::shared_ptr<RunReport>& report);
    void walkAccountsWith(const std::shared_ptr<NotesApplication>& notes,
                          const FileURL& exportFolder, note_file::ExportDirectories& directories);
    void completeImport(const FileURL& exportFolder, const std::shared_ptr<RunReport>& report);

    // The threads that read notes and build their texts ahead of the walk, each one for the
    // delegate's life rather than one per folder; started by the first walk that writes notes.
    BackgroundQueue& noteReader();
    BackgroundQueue& textBuilder();
    friend class NoteQueue;
    // createFolder and writeNotes inside a walk: the directory is made in its turn, by a step
    // of the queue, and what is listed in it waits for that step.
    void createFolderIn(const std::shared_ptr<NotesFolder>& folder,
                        const std::optional<Text>& parentId,
                        const std::shared_ptr<const PendingDirectory>& parent,
                        note_file::ExportDirectories& names);
    void writeNotesIn(const ElementList<NotesNote>& notes,
                      const std::shared_ptr<const PendingDirectory>& directory,
                      note_file::ExportDirectories* directories);
    // The notes the walk has listed and not yet written; the walk's alone.
    NoteQueue& noteQueue();

    std::once_flag noteReaderStarted_, textBuilderStarted_;
    // Destroyed reader first: what it reads goes on to the builder.
    std::unique_ptr<BackgroundQueue> textBuilder_, noteReader_;
    std::unique_ptr<NoteQueue> noteQueue_;
    std::weak_ptr<Window> window_;
    std::weak_ptr<ProgressIndicator> progressIndicator_;
    std::weak_ptr<Button> startButton_;
};

}  // namespace quillmere
