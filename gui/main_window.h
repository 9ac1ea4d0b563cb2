#pragma once
// The main window, loaded from main_window.ui: the Notes library in use with its Choose button,
// the folder the notes are saved to with its own, the preferences, the progress bar, the start
// button of a run (a Cancel button in its place during one), and a status line. The start
// button is enabled only while the library in use can be read.
// It owns the user's choices (both kept in the user defaults the command reads too); the run
// itself belongs to AppDelegate, which reaches the bar and the button through their ports.

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/crypto/secure_bytes.h"
#include "platform/settings/user_defaults_store.h"

namespace Ui {
class MainWindow;
}

namespace quillmere::gui {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(std::shared_ptr<UserDefaultsStore> defaults, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The widgets, for the ports and for tests.
    const Ui::MainWindow& ui() const { return *ui_; }

    // Shows the stored choices; call it once the launch handler has registered the defaults.
    void showSettings();
    // The one line beside the library's name, or none to remove it.
    void showLibraryProblem(const std::optional<std::string>& problem);
    // The status line below the start button; empty removes it.
    void showStatus(const std::string& status);
    // The backup password typed for the next run, taken out of its field (which is emptied),
    // so that it is used once; none when the field is empty.
    std::vector<SecureBytes> takeBackupPassword();
    // During a run every choice (runChoices()) is disabled and Cancel stands in for the start
    // button; after it they come back.
    void setRunning(bool running);
    // The controls that change what a run does: disabled while one goes on. A new choice in the
    // window belongs in this list.
    QList<QWidget*> runChoices() const;

    // The folder dialog of "Save to:" and the library dialog both start here when nothing was
    // chosen before.
    static QString startFolder();
    // `path` with the home folder written "~", as the window shows paths (a tooltip has the
    // whole path).
    static std::string displayPath(const std::string& path);

Q_SIGNALS:
    // The start button was pressed, or Return with the button in reach.
    void startRequested();
    // The Cancel button was pressed during a run.
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Elides the library's path anew when its label changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseLibrary();
    void chooseSaveFolder();
    void showLibrary();
    void showSaveFolder();
    // Reports a setting that could not be stored.
    void reportStoreError();

    std::unique_ptr<Ui::MainWindow> ui_;
    std::shared_ptr<UserDefaultsStore> defaults_;
};

}  // namespace quillmere::gui
