#include "gui/chosen_library_lookup.h"

#include "app/app_services.h"
#include "app/importer_settings.h"
#include "notes_source/backup/backup_notes.h"
#include "notes_source/notes_library_lookup.h"

namespace quillmere::gui {

namespace {
constexpr const char* kNotesBundleIdentifier = "com.apple.notes";
}

ChosenLibraryLookup::ChosenLibraryLookup(std::shared_ptr<const UserDefaults> defaults,
                                         Listener listener,
                                         std::function<std::shared_ptr<PasswordRing>()> passwords,
                                         BackupPasswords backupPasswords)
    : defaults_(std::move(defaults)),
      listener_(std::move(listener)),
      passwords_(std::move(passwords)),
      backupPasswords_(std::move(backupPasswords)) {}

std::shared_ptr<NotesApplication> ChosenLibraryLookup::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    const auto path = chosenPath(*defaults_);
    // A note that cannot be read or stays locked is one line of the log, as in the command.
    NotesLibraryLookup library(
        path,
        [](const std::string& line) {
            if (const auto& log = appServices().log) log->log(line);
        },
        passwords_);
    std::vector<SecureBytes> backupPasswords =
        backupPasswords_ ? backupPasswords_() : std::vector<SecureBytes>{};
    library.setBackupPasswords(
        [&backupPasswords] { return std::make_shared<PasswordRing>(std::move(backupPasswords)); });
    auto application = library.applicationWithBundleIdentifier(bundleIdentifier);
    lastProblem_ = library.lastProblem();
    // With none chosen, the window says so where the library's name would be.
    if (listener_) listener_(path ? lastProblem_ : std::nullopt);
    return application;
}

std::optional<std::string> ChosenLibraryLookup::chosenPath(const UserDefaults& defaults) {
    auto path = defaults.stringForKey(kNotesLibraryPathKey);
    if (path && path->empty()) return std::nullopt;
    return path;
}

std::optional<std::string> ChosenLibraryLookup::problemWithLibrary(const std::string& path) {
    // An encrypted backup can only be checked with its password, which is typed for the run.
    if (backup::isEncryptedBackup(path)) return std::nullopt;
    NotesLibraryLookup library(path);
    library.applicationWithBundleIdentifier(kNotesBundleIdentifier);
    return library.lastError();
}

}  // namespace quillmere::gui
