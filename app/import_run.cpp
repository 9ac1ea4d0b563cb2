// The import run: checks on the main queue, the walk over the accounts in the background, and
// the hand-over of the export folder to Quillmere at the end.

#include <array>
#include <filesystem>
#include <system_error>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_folder.h"
#include "app/export_names.h"
#include "app/note_file.h"
#include "app/note_queue.h"
#include "platform/files/file_manager.h"
#include "platform/ui/alerts.h"
#include "temp_files/temporary_files.h"

namespace quillmere {

namespace {

// The Quillmere editions that may take the export folder, the preferred one first.
constexpr std::array<const char*, 4> kTargetBundleIdentifiers = {
    "com.quillmereapp.mac",
    "com.vellumry.quillmere-tessary",
    "com.vellumry.quillmere3",
    "com.vellumry.quillmere3.demo",
};

void showAlert(const char* messageText, const std::string& informativeText) {
    appServices().alerts->runModal(Alert{messageText, informativeText});
}

// What was wrong, and what the user can choose instead.
std::string withAdvice(const std::string& problem) {
    std::string text = problem;
    if (!text.empty() && text.back() != '.') text += '.';
    return text +
           " Choose the \u201Cgroup.com.apple.notes\u201D folder copied from a Mac, the "
           "\u201CNoteStore.sqlite\u201D in it, or a Notes library file.";
}

// The number of notes the progress bar is sized by. With one account it is the notes its
// folders hold; with several, every note of the application.
std::uint64_t noteCountForProgress(const NotesApplication& notes, bool skipRecentlyDeleted) {
    if (notes.accounts().count() >= 2) {
        return notes.notes().count();
    }
    std::uint64_t count = 0;
    if (const std::shared_ptr<NotesAccount> account = notes.accounts().firstObject()) {
        for (const std::shared_ptr<NotesFolder>& folder : account->folders()) {
            if (folder && !(skipRecentlyDeleted && folder->isRecentlyDeleted())) {
                count += folder->notes().count();
            }
        }
    }
    return count;
}

}  // namespace

std::shared_ptr<RunReport> AppDelegate::beginImport(const void* /*sender*/) {
    const AppServices& services = appServices();
    // A folder the user chose is checked before anything is made, and its export folder is
    // made only once Notes can be read, so that a refused run leaves nothing in it. The
    // temporary folder is made first, as it always was.
    const std::optional<std::string> chosenFolder =
        export_folder::chosenFolder(*services.userDefaults);
    std::optional<FileURL> exportFolder;
    Error error;
    if (chosenFolder) {
        if (const auto problem = export_folder::problemWithChosenFolder(*chosenFolder)) {
            services.alerts->runModal(Alert{"The notes cannot be saved there", *problem});
            return nullptr;
        }
    } else {
        const std::optional<FileURL> temporaryDirectory =
            TemporaryFiles::createUniqueTemporaryDirectoryWithError(FileManager::defaultManager(),
                                                                    &error);
        if (!temporaryDirectory) {
            services.alerts->runModal(Alert::fromError(error));
            return nullptr;
        }
        exportFolder =
            temporaryDirectory
                ->URLByAppendingPathComponent(text::fromUtf8(export_folder::kExportFolderName))
                .asDirectory(true);
    }

    // A run that ends before its walk leaves no empty unique folder behind.
    const auto discardTemporaryDirectory = [&exportFolder, &chosenFolder] {
        if (chosenFolder || !exportFolder) return;
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::path(exportFolder->path()).parent_path(),
                                ignored);  // only while empty
    };
    NotesLookup& lookup = *services.notesLookup;
    const std::shared_ptr<NotesApplication> notes =
        lookup.applicationWithBundleIdentifier(kNotesBundleIdentifier);
    if (!notes) {
        discardTemporaryDirectory();
        showAlert("Could not find your notes",
                  withAdvice(lookup.lastProblem().value_or("Nothing was found to read.")));
        return nullptr;
    }
    if (notes->accounts().count() == 0) {
        discardTemporaryDirectory();
        showAlert("Could not access Notes",
                  withAdvice(lookup.lastProblem().value_or(
                      "The importer could not access any of your notes.")));
        return nullptr;
    }
    if (chosenFolder) {
        exportFolder = export_folder::makeExportFolderIn(*chosenFolder, &error);
        if (!exportFolder) {
            services.alerts->runModal(Alert::fromError(error));
            return nullptr;
        }
    }

    const std::shared_ptr<ProgressIndicator> progress = progressIndicator().lock();
    if (progress) {
        progress->setHidden(false);
    }
    if (const std::shared_ptr<Button> button = startButton().lock()) {
        button->setHidden(true);
    }
    const std::uint64_t noteCount =
        noteCountForProgress(*notes, services.userDefaults->boolForKey(kSkipRecentlyDeletedKey));
    if (progress) {
        progress->setMaxValue(static_cast<double>(noteCount));
        progress->setDoubleValue(0.0);
    }

    auto report = std::make_shared<RunReport>();
    report->setExportFolder(exportFolder->path());
    report->setPlannedNotes(noteCount);
    appServices().globalQueue->async([self = shared_from_this(), notes,
                                      exportFolder = *exportFolder,
                                      report] { self->walkAccounts(notes, exportFolder, report); });
    return report;
}

void AppDelegate::walkAccounts(const std::shared_ptr<NotesApplication>& notes,
                               const FileURL& exportFolder,
                               const std::shared_ptr<RunReport>& report) {
    // Accounts and folders of one name share a directory, so the names given out are the walk's.
    note_file::ExportDirectories directories(report);
    walkAccountsWith(notes, exportFolder, directories);
    appServices().mainQueue->async([self = shared_from_this(), exportFolder, report] {
        self->completeImport(exportFolder, report);
    });
}

void AppDelegate::walkAccountsWith(const std::shared_ptr<NotesApplication>& notes,
                                   const FileURL& exportFolder,
                                   note_file::ExportDirectories& directories) {
    // One queue for every account: the notes of one are read while the last of the one before
    // are written.
    const NoteQueue::Scope scope(noteQueue());
    const ElementList<NotesAccount> accounts = notes->accounts();
    if (accounts.count() < 2) {
        // The folders of the only account go straight into the export folder. With no account
        // left (it can vanish after the checks) the export folder is still made, empty.
        const std::shared_ptr<NotesAccount> account = accounts.firstObject();
        const ElementList<NotesFolder> folders =
            account ? account->folders() : ElementList<NotesFolder>();
        const std::optional<Text> accountId = account ? account->id() : std::nullopt;
        if (account) directories.setPlace(exportFolder, {account->name(), Text()});
        createFolders(folders, accountId, exportFolder, &directories);
    } else {
        for (const std::shared_ptr<NotesAccount>& account : accounts) {
            if (stopsForCancel(&directories)) {
                break;
            }
            if (!account) {
                continue;
            }
            const FileURL accountDirectory =
                exportFolder
                    .URLByAppendingPathComponent(
                        export_names::directoryNameForAccount(account->name()))
                    .asDirectory(true);
            const ElementList<NotesFolder> folders = account->folders();
            const std::optional<Text> accountId = account->id();
            directories.setPlace(accountDirectory, {account->name(), Text()});
            createFolders(folders, accountId, accountDirectory, &directories);
        }
    }
}

void AppDelegate::completeImport(const FileURL& exportFolder,
                                 const std::shared_ptr<RunReport>& report) {
    if (const std::shared_ptr<ProgressIndicator> progress = progressIndicator().lock()) {
        progress->setHidden(true);
    }
    if (const std::shared_ptr<Button> button = startButton().lock()) {
        button->setHidden(false);
    }
    report->finish();
    // A cancelled run leaves what it wrote where it is, but offers no half an import.
    if (report->cancelled()) {
        return;
    }
    Workspace& workspace = *appServices().workspace;
    for (const char* bundleIdentifier : kTargetBundleIdentifiers) {
        if (workspace.openURLsWithAppBundleIdentifier({exportFolder}, bundleIdentifier)) {
            return;
        }
    }
    workspace.selectFileInFileViewerRootedAtPath(std::nullopt, exportFolder.path());
}

}  // namespace quillmere
