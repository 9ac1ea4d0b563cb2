// The folder tree: one directory per Notes folder, its notes, then its sub-folders (pre-order).

#include <chrono>
#include <deque>
#include <exception>
#include <future>
#include <new>
#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "app/note_file.h"
#include "platform/dispatch/background_queue.h"
#include "platform/files/file_manager.h"
#include "platform/ui/alerts.h"

namespace quillmere {

namespace {

// How long progress steps may wait to be posted together: short enough for a smooth bar.
constexpr auto kProgressInterval = std::chrono::milliseconds(15);
// The note's name for a log line about it; empty when even that cannot be read.
Text nameForLog(const NotesNote& note) {
    try {
        return note.name();
    } catch (const std::exception&) {
        return {};
    }
}

// How many notes may be read and built ahead of the one being written.
constexpr std::size_t kNotesAhead = 16;

}  // namespace

void AppDelegate::createFolders(const ElementList<NotesFolder>& folders,
                                const std::optional<Text>& parentId, const FileURL& url,
                                note_file::ExportDirectories* directories) {
    note_file::ExportDirectories forThisList;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisList;
    if (!createDirectoryAtURL(url, true, &names)) {
        return;
    }
    names.markMade(url);
    for (const std::shared_ptr<NotesFolder>& folder : folders) {
        if (stopsForCancel(&names)) {
            return;
        }
        createFolder(folder, parentId, url, &names);
    }
}

void AppDelegate::createFolder(const std::shared_ptr<NotesFolder>& folder,
                               const std::optional<Text>& parentId, const FileURL& url,
                               note_file::ExportDirectories* directories) {
    if (!folder) {
        return;
    }
    if (folder->isRecentlyDeleted() &&
        appServices().userDefaults->boolForKey(kSkipRecentlyDeletedKey)) {
        return;  // the user's choice: nothing to report
    }
    const Text name = folder->name();
    if (name.empty()) {
        appServices().log->log("Empty container name provided for parent ID " +
                               log_format::describe(parentId));
        return;
    }

    // A folder list may hold folders of other parents; those are reached through their own.
    const std::shared_ptr<NotesContainer> container = folder->container().get();
    const std::optional<Text> containerId = container ? container->id() : std::nullopt;
    if (containerId && containerId != parentId) {
        // Routine: the database lists every sub-folder at the top level too.
        appServices().log->logRoutine(
            "Mismatching parent ID: " + log_format::describe(containerId) + " vs. " +
            log_format::describe(parentId));
        return;
    }

    note_file::ExportDirectories forThisFolder;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisFolder;
    bool renamed = false;
    const FileURL directory =
        names.claimDirectory(url, export_names::directoryNameForFolder(name), &renamed);
    if (renamed) {
        appServices().log->log("Folder: " + log_format::describe(name) + " is exported as " +
                               directory.path().substr(directory.path().rfind('/') + 1) +
                               " because a note file has its name");
    }
    // Below a directory this walk made, no element of the path needs checking again, and the
    // walk's file manager works through the open parent: a deep tree costs what a flat one does.
    if (!createDirectoryAtURL(directory, !names.isMade(url), &names)) {
        return;
    }
    names.markMade(directory);
    const note_file::ExportDirectories::Place parent = names.placeOf(url);
    names.setPlace(directory, {parent.account,
                               parent.folderPath.empty() ? name : parent.folderPath + u"/" + name});
    writeNotes(folder->notes(), directory, &names);
    for (const std::shared_ptr<NotesFolder>& subfolder : folder->folders()) {
        if (stopsForCancel(&names)) {
            return;
        }
        createFolder(subfolder, folder->id(), directory, &names);
    }
    names.forget(directory);
}

void AppDelegate::writeNotes(const ElementList<NotesNote>& notes, const FileURL& url,
                             note_file::ExportDirectories* directories) {
    // Each note is exported as exportNote does it, with two changes that nothing outside can
    // tell: while notes are written, the next few (when reading them has no visible effect, or
    // they hold the lines it logs until their turn) are read and their texts built up to their
    // links on a second thread, and the progress steps of
    // notes written close together go to the main queue as one block, in the same order and number.
    // The threads meet once per half window, not once per note: on a busy machine every wait costs
    // a trip through the scheduler.
    // The notes whose texts one trip to the second thread builds: a half window, told ready
    // once. (A future per note costs a system call per note to say it is ready.)
    struct Batch {
        std::vector<std::shared_ptr<const NoteForExport>> notes;
        std::vector<BuiltText> texts;
        std::vector<std::exception_ptr> failures;
        std::promise<void> built;
        std::shared_future<void> ready = built.get_future().share();
    };
    struct Pending {
        std::shared_ptr<const NoteForExport> note;
        std::uint64_t index;
        std::shared_ptr<Batch> batch;
        std::size_t slot;
    };
    BackgroundQueue& builder = textBuilder();
    std::deque<Pending> pending;
    auto unsent = std::make_shared<Batch>();
    const auto sendBuilds = [&] {
        if (unsent->notes.empty()) return;
        unsent->texts.resize(unsent->notes.size());
        unsent->failures.resize(unsent->notes.size());
        builder.async([batch = unsent] {
            for (std::size_t i = 0; i < batch->notes.size(); ++i) {
                try {
                    batch->texts[i] = buildNoteText(*batch->notes[i]);
                } catch (...) {
                    batch->failures[i] = std::current_exception();
                }
            }
            batch->built.set_value();
        });
        unsent = std::make_shared<Batch>();
    };
    std::uint64_t unpostedSteps = 0;
    auto lastPost = std::chrono::steady_clock::now();

    const auto countStep = [&] {
        ++unpostedSteps;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPost >= kProgressInterval) {
            postProgressSteps(unpostedSteps);
            unpostedSteps = 0;
            lastPost = now;
        }
    };
    const auto writeOldest = [&](std::size_t count) {
        sendBuilds();
        for (; count > 0 && !pending.empty(); --count) {
            if (stopsForCancel(directories)) {
                pending.clear();
                return;
            }
            Pending& oldest = pending.front();
            try {
                if (oldest.note->note) oldest.note->note->logHeldLines();
                oldest.batch->ready.wait();
                if (oldest.batch->failures[oldest.slot]) {
                    std::rethrow_exception(oldest.batch->failures[oldest.slot]);
                }
                writeNoteFile(*oldest.note, oldest.batch->texts[oldest.slot], oldest.index, url,
                              directories);
            } catch (const std::exception& failure) {
                noteFailed(oldest.note->name, failure, directories);
            }
            pending.pop_front();
            countStep();
        }
    };
    // Notes read ahead but not yet written when the user cancels are left out: the run stops
    // after the note it is writing.
    const std::uint64_t noteCount = notes.count();
    for (std::uint64_t index = 0; index < noteCount; ++index) {
        if (stopsForCancel(directories)) {
            pending.clear();
            break;
        }
        const std::shared_ptr<NotesNote> note = notes.objectAtIndex(index);
        if (note && !note->readsWithoutEffects() && !note->holdLinesWhileRead()) {
            // Its reading may ask for a password: everything before it is written first, and it
            // is exported on its own, as one note after another would have it.
            writeOldest(pending.size());
            if (stopsForCancel(directories)) {
                break;
            }
            try {
                note->logHeldLines();
                const NoteForExport read = readNoteForExport(note);
                writeNoteFile(read, buildNoteText(read), index, url, directories);
            } catch (const std::exception& failure) {
                noteFailed(nameForLog(*note), failure, directories);
            }
            countStep();
            continue;
        }
        std::shared_ptr<const NoteForExport> read;
        try {
            read = std::make_shared<const NoteForExport>(readNoteForExport(note));
        } catch (const std::exception& failure) {
            writeOldest(pending.size());
            if (note) note->logHeldLines();
            noteFailed(note ? nameForLog(*note) : Text(), failure, directories);
            countStep();
            continue;
        }
        pending.push_back(Pending{read, index, unsent, unsent->notes.size()});
        unsent->notes.push_back(std::move(read));
        if (unsent->notes.size() >= kNotesAhead / 2) sendBuilds();
        if (pending.size() >= kNotesAhead) {
            writeOldest(kNotesAhead / 2);
        }
    }
    writeOldest(pending.size());
    if (unpostedSteps > 0) {
        postProgressSteps(unpostedSteps);
    }
}

void AppDelegate::noteFailed(const Text& name, const std::exception& failure,
                             note_file::ExportDirectories* directories) {
    reportOf(directories).countNoteNotReadable();
    const bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr;
    appServices().log->log(
        "Note: " + log_format::describe(name) + " could not be exported: " +
        (memory ? std::string("there is not enough memory for it") : std::string(failure.what())));
}

bool AppDelegate::stopsForCancel(note_file::ExportDirectories* directories) {
    RunReport& report = reportOf(directories);
    if (!report.cancelRequested()) {
        return false;
    }
    report.markCancelled();
    return true;
}

BackgroundQueue& AppDelegate::textBuilder() {
    std::call_once(textBuilderStarted_,
                   [this] { textBuilder_ = std::make_unique<BackgroundQueue>(); });
    return *textBuilder_;
}

bool AppDelegate::createDirectoryAtURL(const FileURL& url, bool withIntermediateDirectories,
                                       note_file::ExportDirectories* directories) {
    FileManager& fileManager =
        directories != nullptr ? directories->fileManager() : FileManager::defaultManager();
    Error error;
    if (fileManager.createDirectoryAtURL(url, withIntermediateDirectories, &error)) {
        return true;
    }
    // The walk runs in the background; the alert belongs on the main queue, and the walk waits
    // for the user before it goes on.
    appServices().mainQueue->sync(
        [&error] { appServices().alerts->runModal(Alert::fromError(error)); });
    return false;
}

}  // namespace quillmere
