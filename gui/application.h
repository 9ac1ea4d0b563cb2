#pragma once
// The window's application: the AppDelegate with Qt versions of its ports, and the application
// main routine that the program entry hands its arguments to.
//
//   int main(int argc, char** argv) { return quillmere::gui::applicationMain(argc, argv); }
//
// Application puts the pieces together the way the command does (the same delegate, user
// defaults store, Notes library lookup and desktop workspace), so that tests can drive a real
// window without the main routine:
//
//   QApplication qt(argc, argv);
//   gui::Application app;                       // window built, launch handler run
//   app.window().ui().startButton->click();     // a run; the walk goes on in the background

#include <functional>
#include <memory>

#include "gui/main_window.h"

namespace quillmere {
class AppDelegate;
class BackgroundQueue;
class RunReport;
}  // namespace quillmere

namespace quillmere::gui {

class QtButton;
class QtProgressIndicator;
class QtWindow;

class Application {
public:
    // Builds the window and installs the run's services. A QApplication must exist.
    Application();
    // Waits for a walk that is still going on (tests only: the main routine never destroys an
    // Application during a run), then removes the services.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MainWindow& window() { return *window_; }
    const AppDelegate& delegate() const { return *delegate_; }
    // From the press of the start button until the run's completion step, the only span in
    // which the start button is hidden.
    bool runInProgress() const;

private:
    std::shared_ptr<UserDefaultsStore> defaults_;
    std::shared_ptr<BackgroundQueue> globalQueue_;
    std::unique_ptr<MainWindow> window_;
    std::shared_ptr<QtWindow> windowOutlet_;
    std::shared_ptr<QtProgressIndicator> progressIndicator_;
    std::shared_ptr<QtButton> startButton_;
    std::shared_ptr<AppDelegate> delegate_;
    // The report of the latest run, which Cancel asks to stop.
    std::shared_ptr<RunReport> run_;
};

// The application main routine: makes the QApplication from `argc` and `argv` (Qt's own
// options such as -platform are taken from them), shows the window and runs the event loop
// until the window is closed. `launched`, when given, is called with the shown window before
// the loop starts (tests drive the window through it).
//
// Closing the window ends the program at once: during a run the process exits without waiting
// for the walk, whose files written so far stay on disk.
int applicationMain(int argc, char** argv,
                    const std::function<void(MainWindow&)>& launched = nullptr);

}  // namespace quillmere::gui
