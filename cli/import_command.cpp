#include "cli/import_command.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_folder.h"
#include "app/importer_settings.h"
#include "app/run_report.h"
#include "cli/terminal_alerts.h"
#include "cli/terminal_notes_lookup.h"
#include "cli/terminal_password_prompt.h"
#include "cli/terminal_progress_indicator.h"
#include "cli/terminal_start_button.h"
#include "cli/terminal_status_line.h"
#include "cli/terminal_workspace.h"
#include "notes_source/notes_library_lookup.h"
#include "platform/desktop/desktop_workspace.h"
#include "platform/dispatch/background_queue.h"
#include "platform/dispatch/event_loop.h"
#include "platform/links/link_scanner.h"
#include "platform/settings/system_log.h"
#include "platform/settings/user_defaults_store.h"
#include "platform/ui/window.h"

namespace quillmere {

namespace {

// The library to read: the one named on the command line (an argument-domain override), else
// the one chosen in the window.
std::optional<std::string> libraryPath(const UserDefaults& defaults) {
    auto chosen = defaults.stringForKey(kNotesLibraryPathKey);
    if (chosen && chosen->empty()) return std::nullopt;
    return chosen;
}

// The run that Ctrl+C cancels; set while one is going.
std::atomic<RunReport*> runningReport{nullptr};
static_assert(std::atomic<RunReport*>::is_always_lock_free);

bool printLastLine(const std::string& line) {
    std::string bytes = line + "\n";
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

}  // namespace

bool cancelRunningImport() {
    RunReport* report = runningReport.load();
    if (report == nullptr) return false;
    report->requestCancel();
    return true;
}

int runImportCommand(const command_line::Options& options) {
    auto statusLine = std::make_shared<TerminalStatusLine>(
        STDERR_FILENO, !options.quiet && ::isatty(STDERR_FILENO) == 1);

    auto defaults = std::make_shared<UserDefaultsStore>(importerSettingsFile());
    if (auto error = defaults->lastError()) {
        statusLine->printLine(system_log::escapeControlCharacters(*error));
    }
    if (options.libraryPath) {
        defaults->setArgumentString(kNotesLibraryPathKey, *options.libraryPath);
    }
    if (options.format) {
        defaults->setArgumentString(AppDelegate::kExportFormatKey, *options.format);
    }
    if (options.outputPath) {
        // Relative to where the command was started, as a shell user means it.
        std::error_code ignored;
        const std::filesystem::path absolute =
            std::filesystem::absolute(*options.outputPath, ignored);
        defaults->setArgumentString(export_folder::kExportFolderPathKey,
                                    absolute.empty() ? *options.outputPath : absolute.string());
    }
    if (options.skipDeleted) {
        defaults->setArgumentBool(AppDelegate::kSkipRecentlyDeletedKey, true);
    }
    if (options.useHeading) {
        defaults->setArgumentBool(AppDelegate::kUseFirstParagraphAsHeadingKey, *options.useHeading);
    }
    if (options.copyAttachments) {
        defaults->setArgumentBool(AppDelegate::kCopyAttachmentsKey, *options.copyAttachments);
    }

    std::vector<SecureBytes> passwords;
    if (options.passwordFile) {
        std::string problem;
        auto read = readPasswordFile(*options.passwordFile, problem);
        if (!read) {
            statusLine->printLine(
                SystemLog::defaultProgramName() + ": cannot read the password file " +
                system_log::escapeControlCharacters(*options.passwordFile) + ": " + problem);
            return kExitStoppedByAlert;
        }
        passwords = std::move(*read);
    }
    // An encrypted backup's password: the first line of its file.
    std::vector<SecureBytes> backupPasswords;
    if (options.backupPasswordFile) {
        std::string problem;
        auto read = readPasswordFile(*options.backupPasswordFile, problem);
        if (read && read->empty()) problem = "it holds no password";
        if (!read || read->empty()) {
            statusLine->printLine(system_log::escapeControlCharacters(
                *options.backupPasswordFile + ": the backup password cannot be read: " + problem));
            return kExitStoppedByAlert;
        }
        backupPasswords.push_back(std::move(read->front()));
    }

    // The main queue is this thread's; the background queue is declared after it so that it
    // ends while the main queue still exists.
    auto mainQueue = std::make_shared<EventLoop>();
    auto globalQueue = std::make_shared<BackgroundQueue>();
    std::shared_ptr<PasswordPrompt> prompt;
    if (options.askPassword)
        prompt = std::make_shared<TerminalPasswordPrompt>(mainQueue, statusLine);
    // Each run gets its own ring, cleared when the run's Notes objects go away.
    auto makePasswordRing = [&passwords, prompt] {
        return std::make_shared<PasswordRing>(passwords, prompt);
    };
    auto alerts = std::make_shared<TerminalAlerts>(statusLine);
    auto workspace = std::make_shared<TerminalWorkspace>(
        options.open ? std::make_shared<DesktopWorkspace>() : nullptr);
    auto log = std::make_shared<SystemLog>(
        SystemLog::defaultProgramName(),
        [statusLine](const std::string& line) { statusLine->printLine(line); });
    log->setRoutineLinesShown(options.verbose);
    auto library = std::make_shared<NotesLibraryLookup>(
        libraryPath(*defaults), [log](const std::string& line) { log->log(line); },
        makePasswordRing);
    library->setBackupPasswords([&backupPasswords, prompt] {
        return std::make_shared<PasswordRing>(backupPasswords, prompt);
    });
    installAppServices(AppServices{
        .mainQueue = mainQueue,
        .globalQueue = globalQueue,
        .userDefaults = defaults,
        .alerts = alerts,
        .workspace = workspace,
        .log = log,
        .linkDetector = std::make_shared<LinkScanner>(),
        .notesLookup = std::make_shared<TerminalNotesLookup>(library),
    });

    auto window = std::make_shared<Window>();
    auto progressIndicator = std::make_shared<TerminalProgressIndicator>(statusLine);
    auto startButton = std::make_shared<TerminalStartButton>([mainQueue] { mainQueue->stop(); });
    std::shared_ptr<RunReport> report;
    {
        auto delegate = std::make_shared<AppDelegate>();
        delegate->setWindow(window);
        delegate->setProgressIndicator(progressIndicator);
        delegate->setStartButton(startButton);
        delegate->applicationDidFinishLaunching();
        report = delegate->beginImport();
    }
    if (report) {
        runningReport.store(report.get());
        // Before the hand-over, so that the summary comes before what a launched program says.
        report->setFinishedHandler([statusLine](const RunReport& finished) {
            statusLine->clearStatus();
            statusLine->printLine(system_log::escapeControlCharacters(finished.summary()));
        });
    }
    // A run that got past its checks hid the start button; one that did not ended at an alert.
    if (startButton->runStarted()) mainQueue->run();

    // The walk has posted its last step; let it finish before its services go away.
    globalQueue->sync([] {});
    runningReport.store(nullptr);
    installAppServices(AppServices{});
    statusLine->clearStatus();

    if (!startButton->runCompleted() || !report) return kExitStoppedByAlert;
    if (report->cancelled()) return kExitCancelled;
    if (!workspace->exportFolder()) return kExitStoppedByAlert;  // a run always offers it
    if (!printLastLine(*workspace->exportFolder())) {
        statusLine->printLine(SystemLog::defaultProgramName() +
                              ": cannot write the export folder's path: " + ::strerror(errno));
        return kExitStoppedByAlert;
    }
    return report->everyNoteHandled() ? kExitDone : kExitNotesLost;
}

}  // namespace quillmere
