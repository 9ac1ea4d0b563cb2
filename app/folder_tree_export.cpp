// The folder tree: one directory per Notes folder, its notes, then its sub-folders (pre-order).

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "app/note_file.h"
#include "platform/files/file_manager.h"
#include "platform/ui/alerts.h"

namespace quillmere {

void AppDelegate::createFolders(const ElementList<NotesFolder>& folders,
                                const std::optional<Text>& parentId, const FileURL& url,
                                note_file::ExportDirectories* directories) {
    note_file::ExportDirectories forThisList;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisList;
    if (!createDirectoryAtURL(url)) {
        return;
    }
    names.markMade(url);
    for (const std::shared_ptr<NotesFolder>& folder : folders) {
        createFolder(folder, parentId, url, &names);
    }
}

void AppDelegate::createFolder(const std::shared_ptr<NotesFolder>& folder,
                               const std::optional<Text>& parentId, const FileURL& url,
                               note_file::ExportDirectories* directories) {
    if (!folder) {
        return;
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
        appServices().log->log("Mismatching parent ID: " + log_format::describe(containerId) +
                               " vs. " + log_format::describe(parentId));
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
    // Below a directory this walk made, no element of the path needs checking again; a deep
    // tree then costs one creation per folder.
    if (!createDirectoryAtURL(directory, !names.isMade(url))) {
        return;
    }
    names.markMade(directory);
    writeNotes(folder->notes(), directory, &names);
    for (const std::shared_ptr<NotesFolder>& subfolder : folder->folders()) {
        createFolder(subfolder, folder->id(), directory, &names);
    }
}

void AppDelegate::writeNotes(const ElementList<NotesNote>& notes, const FileURL& url,
                             note_file::ExportDirectories* directories) {
    notes.enumerate([&](const std::shared_ptr<NotesNote>& note, std::uint64_t index) {
        exportNote(note, index, url, directories);
    });
}

bool AppDelegate::createDirectoryAtURL(const FileURL& url, bool withIntermediateDirectories) {
    Error error;
    if (FileManager::defaultManager().createDirectoryAtURL(url, withIntermediateDirectories,
                                                           &error)) {
        return true;
    }
    // The walk runs in the background; the alert belongs on the main queue, and the walk waits
    // for the user before it goes on.
    appServices().mainQueue->sync(
        [&error] { appServices().alerts->runModal(Alert::fromError(error)); });
    return false;
}

}  // namespace quillmere
