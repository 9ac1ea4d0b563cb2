#include "notes_source/notes_library_lookup.h"

#include <filesystem>
#include <system_error>

#include "notes_source/backup/backup_notes.h"
#include "notes_source/container_folder_files.h"
#include "notes_source/notes_library_file.h"

namespace quillmere {

namespace {

// Notes that cannot be read: it is there, but answers no accounts.
class UnreadableNotes : public NotesApplication {
public:
    ElementList<NotesAccount> accounts() const override { return {}; }
    ElementList<NotesNote> notes() const override { return {}; }
};

}  // namespace

std::shared_ptr<NotesApplication> NotesLibraryLookup::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    lastError_.reset();
    if (bundleIdentifier != "com.apple.notes") return nullptr;
    if (!path_) {
        lastError_ = "No Notes library chosen.";
        return nullptr;
    }
    if (backup::backupFolderKind(*path_) != backup::BackupFolderKind::none) {
        auto passwords = backupPasswords_ ? backupPasswords_() : nullptr;
        NoteStoreOpen open = backup::openBackupNotes(*path_, passwords.get(), reportFault_,
                                                     passwords_ ? passwords_() : nullptr);
        lastError_ = open.error;
        if (!open.application) return std::make_shared<UnreadableNotes>();
        return open.application;
    }
    const std::string database = noteStorePathIn(*path_);
    if (looksLikeSqliteDatabase(database)) {
        // The container is the folder that holds the database, whichever of them was chosen.
        const std::string container = std::filesystem::path(database).parent_path().empty()
                                          ? std::string(".")
                                          : std::filesystem::path(database).parent_path().string();
        NoteStoreOpen open = openNoteStore(database, reportFault_, containerFolderFiles(container),
                                           passwords_ ? passwords_() : nullptr);
        lastError_ = open.error;
        if (!open.application) return std::make_shared<UnreadableNotes>();
        return open.application;
    }
    if (std::error_code ignored; std::filesystem::is_directory(*path_, ignored)) {
        if (auto fault = noteStoreFaultIn(*path_)) {
            lastError_ =
                *path_ + (path_->ends_with('/') ? "" : "/") + "NoteStore.sqlite: " + *fault;
            return std::make_shared<UnreadableNotes>();
        }
        lastError_ =
            *path_ + ": a folder with neither NoteStore.sqlite nor an iPhone or iPad backup in it";
        return std::make_shared<UnreadableNotes>();
    }
    LibraryLoad load = loadNotesLibrary(*path_);
    lastError_ = load.error;
    if (!load.found) return nullptr;
    if (!load.application) return std::make_shared<UnreadableNotes>();
    return load.application;
}

}  // namespace quillmere
