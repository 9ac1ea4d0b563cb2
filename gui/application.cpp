#include "gui/application.h"

#include <QApplication>
#include <QIcon>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/importer_settings.h"
#include "gui/chosen_library_lookup.h"
#include "gui/hand_over_workspace.h"
#include "gui/qt_alerts.h"
#include "gui/qt_button.h"
#include "gui/qt_main_queue.h"
#include "gui/qt_password_prompt.h"
#include "gui/qt_progress_indicator.h"
#include "platform/bundle.h"
#include "platform/desktop/desktop_workspace.h"
#include "platform/dispatch/background_queue.h"
#include "platform/files/file_io.h"
#include "platform/files/signal_removed_folder.h"
#include "platform/links/link_scanner.h"
#include "platform/settings/system_log.h"
#include "ui_main_window.h"

namespace quillmere::gui {

namespace {

// A signal that ends the window's process leaves no half-written file and no private copy of a
// database behind; the process still ends by the signal.
void stopOnSignal(int signal) {
    removeTemporaryFilesForSignal();
    removeTemporaryFoldersForSignal();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

Application::Application()
    : defaults_(std::make_shared<UserDefaultsStore>(importerSettingsFile())),
      globalQueue_(std::make_shared<BackgroundQueue>()),
      window_(std::make_unique<MainWindow>(defaults_)) {
    const Ui::MainWindow& ui = window_->ui();
    windowOutlet_ = std::make_shared<QtWindow>(window_.get());
    progressIndicator_ = std::make_shared<QtProgressIndicator>(ui.progressBar);
    startButton_ = std::make_shared<QtButton>(ui.startButton);

    MainWindow* window = window_.get();
    auto mainQueue = std::make_shared<QtMainQueue>();
    // Each run asks afresh; what was typed goes with the run.
    auto prompt = std::make_shared<QtPasswordPrompt>(mainQueue, window);
    installAppServices(AppServices{
        .mainQueue = mainQueue,
        .globalQueue = globalQueue_,
        .userDefaults = defaults_,
        .alerts = std::make_shared<QtAlerts>(window),
        .workspace = std::make_shared<HandOverWorkspace>(
            std::make_shared<DesktopWorkspace>(),
            // The summary is on the status line by now; the hand-over completes it.
            [window](const HandOver& handOver) {
                window->showStatus(window->ui().statusLabel->text().toStdString() + ". " +
                                   (handOver.openedInQuillmere ? "Handed to Quillmere."
                                                               : "Passed to the file manager."));
            }),
        .log = std::make_shared<SystemLog>(),
        .linkDetector = std::make_shared<LinkScanner>(),
        .notesLookup = std::make_shared<ChosenLibraryLookup>(
            defaults_,
            [window](const std::optional<std::string>& problem) {
                window->showLibraryProblem(problem);
            },
            [prompt] { return std::make_shared<PasswordRing>(std::vector<SecureBytes>{}, prompt); },
            [window] { return window->takeBackupPassword(); }),
    });

    delegate_ = std::make_shared<AppDelegate>();
    delegate_->setWindow(windowOutlet_);
    delegate_->setProgressIndicator(progressIndicator_);
    delegate_->setStartButton(startButton_);
    QObject::connect(window, &MainWindow::startRequested, window,
                     [this, window, button = ui.startButton] {
                         window->showStatus({});
                         run_ = delegate_->beginImport(button);
                         if (!run_) return;  // an alert ended it
                         window->setRunning(true);
                         run_->setFinishedHandler([window](const RunReport& report) {
                             window->setRunning(false);
                             std::string status = report.summary();
                             const std::string& folder = report.exportFolder();
                             if (status.ends_with(folder)) {
                                 status = status.substr(0, status.size() - folder.size()) +
                                          MainWindow::displayPath(folder);
                             }
                             window->showStatus(status);
                         });
                     });
    QObject::connect(window, &MainWindow::cancelRequested, window, [this] {
        if (run_) run_->requestCancel();
    });
    window_->setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kBundleIdentifier)));
    delegate_->applicationDidFinishLaunching();
    window_->showSettings();
}

Application::~Application() {
    // The walk's last steps are queued on the main queue, and an alert of the walk waits for
    // it: keep the events flowing until the walk has ended and its completion step has run.
    auto walkEnded = std::make_shared<std::atomic<bool>>(false);
    globalQueue_->async([walkEnded] { *walkEnded = true; });
    while (!*walkEnded) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    QCoreApplication::sendPostedEvents();
    delegate_.reset();
    installAppServices(AppServices{});
}

bool Application::runInProgress() const { return startButton_->isHidden(); }

int applicationMain(int argc, char** argv, const std::function<void(MainWindow&)>& launched) {
    ::signal(SIGINT, stopOnSignal);
    ::signal(SIGTERM, stopOnSignal);
    ::signal(SIGABRT, stopOnSignal);
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kImporterSettingsFolder));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmere Notes Importer"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    // Lets the desktop match the window to its entry, and so to its icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kBundleIdentifier));

    auto application = std::make_unique<Application>();
    QApplication::setQuitOnLastWindowClosed(
        application->delegate().applicationShouldTerminateAfterLastWindowClosed());
    application->window().show();
    if (launched) launched(application->window());

    const int status = QApplication::exec();
    if (application->runInProgress()) {
        // Quitting does not wait for the walk: end the process here, before anything the walk
        // still uses is torn down under it. The files written so far stay.
        // The private copy of a Notes database goes, though no destructor runs.
        removeTemporaryFilesForSignal();
        removeTemporaryFoldersForSignal();
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    application.reset();
    return status;
}

}  // namespace quillmere::gui
