// The folder tree: one directory per Notes folder, its notes, then its sub-folders (pre-order).

#include <exception>
#include <new>
#include <string>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "app/note_file.h"
#include "app/note_queue.h"
#include "platform/dispatch/background_queue.h"
#include "platform/files/file_manager.h"
#include "platform/ui/alerts.h"

namespace quillmere {

namespace {

// Logs `line` once the notes listed before it are written, as if each were written at once.
void logInTurn(NoteQueue& queue, std::string line, bool routine = false) {
    queue.inTurn([line = std::move(line), routine] {
        if (routine) {
            appServices().log->logRoutine(line);
        } else {
            appServices().log->log(line);
        }
    });
}

}  // namespace

void AppDelegate::createFolders(const ElementList<NotesFolder>& folders,
                                const std::optional<Text>& parentId, const FileURL& url,
                                note_file::ExportDirectories* directories) {
    note_file::ExportDirectories forThisList;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisList;
    NoteQueue& queue = noteQueue();
    // After the names: what is listed with them is done before they go.
    const NoteQueue::Scope scope(queue);
    auto directory = std::make_shared<PendingDirectory>(PendingDirectory{url, false});
    queue.inTurn([this, &names, directory] {
        if (!createDirectoryAtURL(directory->url, true, &names)) return;
        names.markMade(directory->url);
        directory->made = true;
    });
    for (const std::shared_ptr<NotesFolder>& folder : folders) {
        if (stopsForCancel(&names)) {
            return;
        }
        createFolderIn(folder, parentId, directory, names);
    }
}

void AppDelegate::createFolder(const std::shared_ptr<NotesFolder>& folder,
                               const std::optional<Text>& parentId, const FileURL& url,
                               note_file::ExportDirectories* directories) {
    note_file::ExportDirectories forThisFolder;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisFolder;
    const NoteQueue::Scope scope(noteQueue());
    createFolderIn(folder, parentId,
                   std::make_shared<PendingDirectory>(PendingDirectory{url, true}), names);
}

void AppDelegate::createFolderIn(const std::shared_ptr<NotesFolder>& folder,
                                 const std::optional<Text>& parentId,
                                 const std::shared_ptr<const PendingDirectory>& parent,
                                 note_file::ExportDirectories& names) {
    if (!folder) {
        return;
    }
    if (folder->isRecentlyDeleted() &&
        appServices().userDefaults->boolForKey(kSkipRecentlyDeletedKey)) {
        return;  // the user's choice: nothing to report
    }
    NoteQueue& queue = noteQueue();
    const Text name = folder->name();
    if (name.empty()) {
        logInTurn(queue,
                  "Empty container name provided for parent ID " + log_format::describe(parentId));
        return;
    }

    // A folder list may hold folders of other parents; those are reached through their own.
    const std::shared_ptr<NotesContainer> container = folder->container().get();
    const std::optional<Text> containerId = container ? container->id() : std::nullopt;
    if (containerId && containerId != parentId) {
        // Routine: the database lists every sub-folder at the top level too.
        logInTurn(queue,
                  "Mismatching parent ID: " + log_format::describe(containerId) + " vs. " +
                      log_format::describe(parentId),
                  true);
        return;
    }

    // The directory takes its name in turn, once the parent's note files have theirs; the
    // folder's notes are listed (and read) meanwhile, and left out should it not be made.
    auto directory = std::make_shared<PendingDirectory>(PendingDirectory{parent->url, false});
    queue.inTurn([this, &names, parent, directory, name] {
        if (!parent->made || stopsForCancel(&names)) return;
        bool renamed = false;
        directory->url =
            names.claimDirectory(parent->url, export_names::directoryNameForFolder(name), &renamed);
        const std::string& path = directory->url.path();
        if (renamed) {
            appServices().log->log("Folder: " + log_format::describe(name) + " is exported as " +
                                   path.substr(path.rfind('/') + 1) +
                                   " because a note file has its name");
        }
        // Below a directory this walk made, no element of the path needs checking again, and
        // the walk's file manager works through the open parent: a deep tree costs what a flat
        // one does.
        if (!createDirectoryAtURL(directory->url, !names.isMade(parent->url), &names)) {
            return;
        }
        names.markMade(directory->url);
        const note_file::ExportDirectories::Place place = names.placeOf(parent->url);
        names.setPlace(
            directory->url,
            {place.account, place.folderPath.empty() ? name : place.folderPath + u"/" + name});
        directory->made = true;
    });
    writeNotesIn(folder->notes(), directory, &names);
    for (const std::shared_ptr<NotesFolder>& subfolder : folder->folders()) {
        if (stopsForCancel(&names)) {
            return;
        }
        createFolderIn(subfolder, folder->id(), directory, names);
    }
    queue.inTurn([&names, directory] {
        if (directory->made) names.forget(directory->url);
    });
}

void AppDelegate::writeNotes(const ElementList<NotesNote>& notes, const FileURL& url,
                             note_file::ExportDirectories* directories) {
    const NoteQueue::Scope scope(noteQueue());
    writeNotesIn(notes, std::make_shared<PendingDirectory>(PendingDirectory{url, true}),
                 directories);
}

void AppDelegate::writeNotesIn(const ElementList<NotesNote>& notes,
                               const std::shared_ptr<const PendingDirectory>& directory,
                               note_file::ExportDirectories* directories) {
    // Each note is exported as exportNote does it, except that it may wait in the queue while
    // the walk goes on: nothing outside can tell.
    NoteQueue& queue = noteQueue();
    const std::uint64_t noteCount = notes.count();
    for (std::uint64_t index = 0; index < noteCount; ++index) {
        if (stopsForCancel(directories)) {
            break;
        }
        queue.add(notes.objectAtIndex(index), index, directory, directories);
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

BackgroundQueue& AppDelegate::noteReader() {
    std::call_once(noteReaderStarted_,
                   [this] { noteReader_ = std::make_unique<BackgroundQueue>(); });
    return *noteReader_;
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
