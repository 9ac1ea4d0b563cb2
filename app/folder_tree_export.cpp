// The folder tree: one directory per Notes folder, its notes, then its sub-folders (pre-order).

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "platform/files/file_manager.h"
#include "platform/ui/alerts.h"

namespace quillmere {

void AppDelegate::createFolders(const ElementList<NotesFolder>& folders,
                                const std::optional<Text>& parentId, const FileURL& url) {
    if (!createDirectoryAtURL(url)) {
        return;
    }
    for (const std::shared_ptr<NotesFolder>& folder : folders) {
        createFolder(folder, parentId, url);
    }
}

void AppDelegate::createFolder(const std::shared_ptr<NotesFolder>& folder,
                               const std::optional<Text>& parentId, const FileURL& url) {
    if (!folder) {
        return;
    }
    if (folder->name().empty()) {
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

    const FileURL directory =
        url.URLByAppendingPathComponent(export_names::directoryNameForFolder(folder->name()))
            .asDirectory(true);
    if (!createDirectoryAtURL(directory)) {
        return;
    }
    writeNotes(folder->notes(), directory);
    for (const std::shared_ptr<NotesFolder>& subfolder : folder->folders()) {
        createFolder(subfolder, folder->id(), directory);
    }
}

void AppDelegate::writeNotes(const ElementList<NotesNote>& notes, const FileURL& url) {
    notes.enumerate([&](const std::shared_ptr<NotesNote>& note, std::uint64_t index) {
        exportNote(note, index, url);
    });
}

bool AppDelegate::createDirectoryAtURL(const FileURL& url) {
    Error error;
    if (FileManager::defaultManager().createDirectoryAtURL(url, true, &error)) {
        return true;
    }
    // The walk runs in the background; the alert belongs on the main queue, and the walk waits
    // for the user before it goes on.
    appServices().mainQueue->sync(
        [&error] { appServices().alerts->runModal(Alert::fromError(error)); });
    return false;
}

}  // namespace quillmere
