// The window as a user meets it: a real window on Qt's offscreen platform, in a private
// environment, driven through its widgets. Alerts and file dialogs are answered by the test.

#include "gui/application.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "gui/qt_progress_indicator.h"
#include "tests/support/fixtures.h"
#include "tests/support/ios_backup.h"
#include "tests/support/private_environment.h"
#include "ui_main_window.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string plain(const QString& text) { return QString(text).remove('&').toStdString(); }

bool waitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Answers whatever modal window comes up while it lives: a message box is recorded and
// dismissed with its OK button; a file dialog gets `nextFile`, or is cancelled.
class ModalAnswerer {
public:
    struct SeenAlert {
        std::string text;
        std::string informativeText;
        int buttons = 0;
        bool okIsDefault = false;
    };

    ModalAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start(5);
    }

    std::vector<SeenAlert> alerts;
    std::optional<fs::path> nextFile;
    int fileDialogs = 0;
    std::vector<std::string> dialogFolders;  // where each file dialog started

private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            alerts.push_back({box->text().toStdString(), box->informativeText().toStdString(),
                              static_cast<int>(box->buttons().size()),
                              box->defaultButton() == box->button(QMessageBox::Ok)});
            // Return presses the default button; an alert without one would stay up.
            QTest::keyClick(box, Qt::Key_Return);
            if (QApplication::activeModalWidget() == box) box->reject();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            dialogFolders.push_back(dialog->directory().absolutePath().toStdString());
            if (nextFile) {
                dialog->selectFile(QString::fromStdString(nextFile->string()));
                static_cast<QDialog*>(dialog)->accept();  // as its Open button does
            } else {
                dialog->reject();
            }
        }
    }

    QTimer timer_;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        // No display, no session bus, and no desktop entries but the test's own.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) {
            env_.set(name, std::nullopt);
        }
        fs::create_directories(env_.root() / "run");
        ::chmod((env_.root() / "run").c_str(), 0700);
        env_.set("XDG_RUNTIME_DIR", (env_.root() / "run").string());
        env_.set("XDG_DATA_DIRS", (env_.root() / "no-data").string());
    }

    void launch() {
        app_.reset();  // its services go with it, so the next one installs its own after
        app_ = std::make_unique<gui::Application>();
        app_->window().show();
    }
    const Ui::MainWindow& ui() const { return app_->window().ui(); }

    fs::path root() const { return env_.root(); }
    fs::path tmp() const { return env_.tmp(); }
    fs::path settingsFile() const {
        return env_.home() / ".config" / "quillmere-notes-importer" / "settings.json";
    }
    fs::path applications() const { return env_.home() / ".local" / "share" / "applications"; }
    void chooseInSettings(const fs::path& libraryPath) {
        writeFile(settingsFile(), R"({"notesLibraryPath": ")" + libraryPath.string() + "\"}");
    }

    PrivateEnvironment env_;
    std::unique_ptr<gui::Application> app_;
};

TEST_F(WindowTest, ARunShowsProgressReportsWhatItWroteAndHandsTheFolderOver) {
    const fs::path libraryFile = root() / "Notes.json";
    writeFile(libraryFile, library(R"([{"id": "a", "folders": [
        {"id": "f1", "name": "Recipes", "notes": [
            {"name": "Pancakes", "body": "<div>Pancakes</div>\n<div>Flour</div>\n"},
            {"name": "", "body": ""}]},
        {"id": "f2", "name": "Work", "notes": [{"name": "Plan", "body": "<div>Plan</div>"}]}]}])"));
    chooseInSettings(libraryFile);
    // Quillmere's entry runs a script that records the folder it is given.
    const fs::path handedOver = root() / "handed-over";
    writeFile(root() / "quillmere.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" +
                                           handedOver.string() + ".partial\" && mv \"" +
                                           handedOver.string() + ".partial\" \"" +
                                           handedOver.string() + "\"\n");
    ::chmod((root() / "quillmere.sh").c_str(), 0700);
    writeFile(applications() / "com.quillmereapp.mac.desktop",
              "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" +
                  (root() / "quillmere.sh").string() + " %F\n");

    launch();
    EXPECT_EQ(app_->window().windowTitle().toStdString(), "Quillmere Notes Importer");
    EXPECT_EQ(plain(ui().startButton->text()), "Import Notes");
    EXPECT_TRUE(ui().startButton->isDefault());
    EXPECT_EQ(plain(ui().headingCheckBox->text()), "Use first paragraph as heading");
    EXPECT_TRUE(ui().headingCheckBox->isChecked());  // the registered default
    EXPECT_EQ(ui().formatComboBox->currentText().toStdString(), "HTML");
    EXPECT_EQ(plain(ui().attachmentsCheckBox->text()), "Copy attachments");
    EXPECT_TRUE(ui().attachmentsCheckBox->isChecked());
    EXPECT_EQ(ui().libraryLabel->toolTip().toStdString(), libraryFile.string());
    EXPECT_FALSE(ui().libraryProblemLabel->isVisible());
    EXPECT_TRUE(ui().progressBar->isHidden());
    for (QWidget* control : app_->window().findChildren<QWidget*>()) {
        if (control->focusPolicy() & Qt::TabFocus) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }

    // Every progress step lands while the bar is up and the start button is away.
    int steps = 0, stepsOutOfRun = 0;
    QObject::connect(ui().progressBar, &QProgressBar::valueChanged, [&](int) {
        ++steps;
        if (!ui().startButton->isHidden() || ui().progressBar->isHidden()) ++stepsOutOfRun;
    });
    // Return on a control that has no use for it starts the run, as on the default button.
    ui().headingCheckBox->setFocus();
    QTest::keyClick(ui().headingCheckBox, Qt::Key_Return);
    EXPECT_TRUE(ui().startButton->isHidden());
    EXPECT_FALSE(ui().progressBar->isHidden());
    EXPECT_EQ(ui().progressBar->maximum(), 3);
    // No choice can change under the run; Cancel stands where the start button was.
    for (QWidget* choice : app_->window().runChoices()) {
        EXPECT_FALSE(choice->isEnabled()) << choice->objectName().toStdString();
    }
    EXPECT_TRUE(ui().cancelButton->isVisibleTo(&app_->window()));

    ASSERT_TRUE(
        waitUntil([&] { return !ui().statusLabel->text().isEmpty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(stepsOutOfRun, 0);
    EXPECT_EQ(ui().progressBar->value(), 3);
    EXPECT_TRUE(ui().progressBar->isHidden());
    EXPECT_FALSE(ui().startButton->isHidden());
    EXPECT_FALSE(app_->runInProgress());
    for (QWidget* choice : app_->window().runChoices()) {
        EXPECT_TRUE(choice->isEnabled()) << choice->objectName().toStdString();
    }
    EXPECT_FALSE(ui().cancelButton->isVisibleTo(&app_->window()));

    ASSERT_TRUE(waitUntil([&] { return fs::exists(handedOver); }, std::chrono::seconds(20)));
    const std::string folderLine = readFile(handedOver);
    const fs::path folder = folderLine.substr(0, folderLine.size() - 1);
    EXPECT_EQ(folder.filename(), "Imported from Notes");
    EXPECT_TRUE(folder.string().starts_with(tmp().string())) << folder;
    EXPECT_EQ(ui().saveFolderLabel->text().toStdString(), "A new temporary folder");
    EXPECT_EQ(ui().statusLabel->text().toStdString(),
              "Import finished: 2 notes written, 1 skipped (empty), 0 locked, 0 not readable, 0 "
              "not written; 0 attachments copied, 0 missing. Folder: " +
                  folder.string() + ". Handed to Quillmere.");
    // The notes themselves are the command's and the app's to check; the default heading holds.
    EXPECT_EQ(readFile(folder / "Recipes/000_Pancakes.html"), "<h1>Pancakes</h1>\n<p>Flour</p>\n");
}

// A locked note asks for its password once, in a dialog that names the note and shows its hint;
// "Skip locked notes" leaves it locked. The password reaches no file and no setting.
TEST_F(WindowTest, ALockedNoteAsksForItsPasswordInADialog) {
    const fs::path fixtures = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(fixtures / "SOURCES.txt"),
                              "the Notes database fixtures at " << fixtures.string());
    const fs::path database = root() / "NoteStore.sqlite";
    fs::copy_file(fixtures / "NoteStore-macOS-12-Monterey.sqlite", database);
    chooseInSettings(database);
    launch();

    struct Asked {
        std::string note, hint;
        bool hintShown = false;
        bool fieldHidesText = false;
    };
    std::vector<Asked> asked;
    std::optional<std::string> answer;  // none: "Skip locked notes"
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* field = dialog ? dialog->findChild<QLineEdit*>("passwordField") : nullptr;
        if (!field) return;
        auto* hint = dialog->findChild<QLabel*>("hintLabel");
        asked.push_back({dialog->findChild<QLabel*>("noteLabel")->text().toStdString(),
                         hint->text().toStdString(), hint->isVisible(),
                         field->echoMode() == QLineEdit::Password});
        if (answer) {
            QTest::keyClicks(field, QString::fromStdString(*answer));
            QTest::keyClick(field, Qt::Key_Return);  // Open is the default button
        } else {
            dialog->findChild<QPushButton*>("skipButton")->click();
        }
    });
    answerer.start(5);

    const struct {
        const char* name;
        std::optional<std::string> answer;
        bool opened;
    } rows[] = {{"skipped", std::nullopt, false}, {"opened", "tbull", true}};
    std::set<fs::path> seen;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        asked.clear();
        answer = row.answer;
        ui().statusLabel->clear();
        ui().startButton->click();
        ASSERT_TRUE(waitUntil([&] { return !ui().statusLabel->text().isEmpty(); },
                              std::chrono::seconds(60)));
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(
            asked[0].note,
            "The note \u201cThis note is password protected\u201d is locked with a password.");
        EXPECT_EQ(asked[0].hint, "Hint: tbull");
        EXPECT_TRUE(asked[0].hintShown);
        EXPECT_TRUE(asked[0].fieldHidesText);
        std::optional<fs::path> file;
        for (const auto& entry : fs::recursive_directory_iterator(tmp())) {
            if (entry.path().filename().string().ends_with(
                    "_This note is password protected.html") &&
                seen.insert(entry.path()).second) {
                file = entry.path();
            }
        }
        ASSERT_TRUE(file);
        EXPECT_EQ(readFile(*file).find("This is a secret!") != std::string::npos, row.opened);
    }
    EXPECT_EQ(readFile(settingsFile()).find("tbull"), std::string::npos);
}

// Which fault leads to which alert is the delegate's, every reason beside the library comes
// from its reader, and the alerts' whole texts are the command's to print: here the start button
// waits for a library that reads, an alert ends the run and leaves the start button, the library
// dialog starts at home and takes a copied Notes folder, and the choices outlive the window and
// reach the command.
TEST_F(WindowTest, AlertsEndTheRunAndChoicesOutliveTheWindowAndReachTheCommand) {
    const fs::path good = root() / "notes" / "Notes.json", broken = root() / "broken.json";
    writeFile(good, library(R"([{"id": "a", "folders": [{"id": "f", "name": "Recipes", "notes": [
        {"name": "Pancakes", "body": "<div>Pancakes</div>\n<div>Flour</div>\n"}]}]}])"));
    writeFile(broken, "{\"format\":");
    const std::string problem =
        broken.string() + ": line 1, column 11: not valid JSON: invalid value";

    launch();
    EXPECT_EQ(ui().libraryLabel->text().toStdString(), "None chosen");
    EXPECT_FALSE(ui().startButton->isEnabled());
    ModalAnswerer answerer;
    const auto startForAnAlert = [&](const std::string& expected) {
        ui().startButton->click();  // the alert is answered while the button's action runs
        ASSERT_EQ(answerer.alerts.size(), 1u);
        const auto alert = answerer.alerts.front();
        answerer.alerts.clear();
        EXPECT_TRUE((alert.text + "|" + alert.informativeText).starts_with(expected))
            << alert.text << "|" << alert.informativeText;
        EXPECT_EQ(alert.buttons, 1);
        EXPECT_TRUE(alert.okIsDefault);
        EXPECT_FALSE(ui().startButton->isHidden());
        EXPECT_TRUE(ui().progressBar->isHidden());
        EXPECT_TRUE(ui().statusLabel->text().isEmpty());
    };
    EXPECT_FALSE(ui().libraryProblemLabel->isVisible());
    EXPECT_EQ(ui().libraryProblemLabel->text().toStdString(), "");
    // A cancelled dialog changes nothing; a library that cannot be read says why beside it, also
    // after a restart, and cannot be started.
    ui().chooseButton->click();
    EXPECT_EQ(ui().libraryLabel->text().toStdString(), "None chosen");
    answerer.nextFile = broken;
    ui().chooseButton->click();
    EXPECT_EQ(ui().libraryProblemLabel->text().toStdString(), problem);
    EXPECT_FALSE(ui().startButton->isEnabled());
    launch();
    EXPECT_TRUE(ui().libraryProblemLabel->isVisible());
    EXPECT_EQ(ui().libraryProblemLabel->text().toStdString(), problem);
    EXPECT_FALSE(ui().startButton->isEnabled());
    // A folder copied from a Mac is taken as it is, not opened like any folder.
    const fs::path container = root() / "group.com.apple.notes";
    writeFile(container / "NoteStore.sqlite", "not yet a database");
    answerer.nextFile = container;
    ui().chooseButton->click();
    EXPECT_EQ(ui().libraryLabel->toolTip().toStdString(), container.string());
    // One that reads when chosen but not when the run starts ends in an alert.
    answerer.nextFile = good;
    ui().chooseButton->click();
    EXPECT_TRUE(ui().startButton->isEnabled());
    const std::string goodLibrary = readFile(good);
    writeFile(good, "{\"format\":");
    startForAnAlert("Could not access Notes|" + good.string() +
                    ": line 1, column 11: not valid JSON: invalid value. Choose the");
    writeFile(good, goodLibrary);
    ui().chooseButton->click();
    EXPECT_EQ(answerer.fileDialogs, 5);
    EXPECT_EQ(answerer.dialogFolders.at(0), env_.home().string());
    EXPECT_EQ(answerer.dialogFolders.at(4), good.parent_path().string());
    EXPECT_FALSE(ui().libraryProblemLabel->isVisible());
    EXPECT_EQ(ui().libraryLabel->toolTip().toStdString(), good.string());
    QTest::keyClick(ui().headingCheckBox, Qt::Key_Space);  // off
    EXPECT_FALSE(ui().headingCheckBox->isChecked());
    ui().formatComboBox->setFocus();
    QTest::keyClick(ui().formatComboBox, Qt::Key_Down);
    EXPECT_EQ(ui().formatComboBox->currentText().toStdString(), "Markdown");
    QTest::keyClick(ui().attachmentsCheckBox, Qt::Key_Space);  // off

    launch();  // a restart
    EXPECT_EQ(ui().libraryLabel->toolTip().toStdString(), good.string());
    EXPECT_FALSE(ui().headingCheckBox->isChecked());
    EXPECT_EQ(ui().formatComboBox->currentText().toStdString(), "Markdown");
    EXPECT_FALSE(ui().attachmentsCheckBox->isChecked());
    EXPECT_TRUE(answerer.alerts.empty());
    app_.reset();

    // The command reads the same settings: the library the window chose, without a heading, in
    // Markdown.
    auto result = runProgram({QUILLMERE_IMPORT_COMMAND, "--no-open"}, root());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const fs::path folder = result.lastOutLine();
    const std::string note = readFile(folder / "Recipes" / "000_Pancakes.md");
    EXPECT_NE(note.find("Flour"), std::string::npos) << folder << "\n" << result.err;
    EXPECT_EQ(note.find("\n# "), std::string::npos) << note;
}

// "Save to:" takes a folder, starting at home; a run there can be cancelled with the button that
// stands in for the start button: it stops after the note it is on, keeps what was written, and
// the status line says how far it got.
TEST_F(WindowTest, SaveToTakesAFolderAndCancelStopsTheRunWhereItIs) {
    constexpr int kNotes = 20000;
    std::string notes;
    for (int i = 0; i < kNotes; ++i) {
        notes += std::string(i ? "," : "") + R"({"name": "N", "body": "<div>N</div>"})";
    }
    writeFile(root() / "large.json",
              library(R"([{"id": "a", "folders": [{"id": "f", "name": "Many", "notes": [)" + notes +
                      "]}]}]"));
    chooseInSettings(root() / "large.json");
    const fs::path out = root() / "out";
    fs::create_directories(out);
    launch();
    ModalAnswerer answerer;
    answerer.nextFile = out;
    ui().saveChooseButton->click();
    EXPECT_EQ(answerer.dialogFolders, std::vector<std::string>{env_.home().string()});
    EXPECT_EQ(ui().saveFolderLabel->text().toStdString(), out.string());

    ui().startButton->click();
    ASSERT_TRUE(
        waitUntil([&] { return ui().progressBar->value() >= 10; }, std::chrono::seconds(60)));
    ui().cancelButton->click();
    ASSERT_TRUE(
        waitUntil([&] { return !ui().statusLabel->text().isEmpty(); }, std::chrono::seconds(60)));
    const std::string status = ui().statusLabel->text().toStdString();
    EXPECT_TRUE(status.starts_with("Import cancelled after ")) << status;
    EXPECT_TRUE(status.ends_with("Folder: " + (out / "Imported from Notes").string())) << status;
    const std::size_t written = entryNames(out / "Imported from Notes/Many").size();
    EXPECT_NE(status.find(" of 20000 notes: " + std::to_string(written) + " notes written"),
              std::string::npos)
        << status;
    EXPECT_LT(written, static_cast<std::size_t>(kNotes));
    EXPECT_FALSE(ui().startButton->isHidden());
    for (QWidget* choice : app_->window().runChoices()) EXPECT_TRUE(choice->isEnabled());
    EXPECT_FALSE(ui().cancelButton->isVisibleTo(&app_->window()));
}

TEST_F(WindowTest, ClosingTheWindowDuringALargeRunQuitsAtOnce) {
    constexpr int kNotes = 5000;
    const std::string note =
        R"({"name": "N", "body": "<div>N</div><div>Words and a link to example.com.</div>"})";
    std::string notes = note;
    for (int i = 1; i < kNotes; ++i) notes += "," + note;
    writeFile(root() / "large.json",
              library(R"([{"id": "a", "folders": [{"id": "f", "name": "Many", "notes": [)" + notes +
                      "]}]}]"));
    chooseInSettings(root() / "large.json");
    env_.set("QT_QPA_PLATFORM", "offscreen");

    // The driver presses the start button and closes the window after the 50th note.
    auto result = runProgram({QUILLMERE_WINDOW_DRIVER, "close-after", "50"}, root());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;

    // The walk was left behind: the export folder holds only part of the notes.
    const fs::path container = tmp() / "com.quillmereapp.NotesImporter";
    ASSERT_TRUE(fs::is_directory(container));
    std::size_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(container)) {
        written += entry.is_regular_file();
    }
    EXPECT_GE(written, 50u);
    EXPECT_LT(written, static_cast<std::size_t>(kNotes));
}

// Paths are shown as they are, never read as markup: the library's, its problem's, the save
// folder's and the export folder's. Without Quillmere the folder goes to the file manager, and the
// status line says so.
TEST_F(WindowTest, PathsShowAsPlainTextAndTheFileManagerFallbackSaysSo) {
    const fs::path markedTmp = root() / "<b>tmp";
    fs::create_directory(markedTmp);
    ::chmod(markedTmp.c_str(), 0700);
    env_.set("TMPDIR", markedTmp.string());
    const fs::path libraryFile = root() / "<b>notes" / "Notes.json";
    writeFile(libraryFile, library(R"([{"id": "a", "folders": [{"id": "f", "name": "Recipes",
        "notes": [{"name": "Pancakes", "body": "<div>Pancakes</div>"}]}]}])"));
    chooseInSettings(libraryFile);

    launch();
    ui().startButton->click();
    // The summary comes first; the hand-over completes it.
    ASSERT_TRUE(waitUntil([&] { return ui().statusLabel->text().endsWith(QLatin1String(".")); },
                          std::chrono::seconds(60)));
    const std::string status = ui().statusLabel->text().toStdString();
    EXPECT_TRUE(status.starts_with("Import finished: 1 note written")) << status;
    EXPECT_TRUE(status.ends_with("/Imported from Notes. Passed to the file manager.")) << status;
    EXPECT_NE(status.find("Folder: " + markedTmp.string()), std::string::npos) << status;

    writeFile(libraryFile, "{\"format\":");
    ModalAnswerer answerer;
    answerer.nextFile = libraryFile;
    ui().chooseButton->click();
    EXPECT_NE(ui().libraryProblemLabel->text().toStdString().find("<b>notes"), std::string::npos);
    for (const QLabel* label :
         {ui().libraryLabel, ui().libraryProblemLabel, ui().saveFolderLabel, ui().statusLabel}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

// An encrypted iPhone backup picked through its Manifest.plist: the password field comes up for
// it alone, a wrong password is the reason beside the backup, and each typed password serves one
// run and leaves the field; the backup folder is only read.
TEST_F(WindowTest, AnEncryptedBackupTakesItsPasswordFromTheWindow) {
    QUILLMERE_REQUIRE_FIXTURE(iosBackupContainerPresent(),
                              "the Notes container at " << iosBackupContainer().string());
    const fs::path backup = makeIosBackup(root() / "backup", {"--password", "open sesame"});
    const auto before = tree(backup);
    const fs::path other = root() / "Notes.json";
    writeFile(other, library(R"([{"id": "a", "folders": []}])"));
    chooseInSettings(other);

    launch();
    EXPECT_FALSE(ui().backupPasswordEdit->isVisible());
    ModalAnswerer answerer;
    // The backup's locked note asks for its own password in a dialog: declined here.
    QTimer declineNotePasswords;
    QObject::connect(&declineNotePasswords, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && !qobject_cast<QMessageBox*>(dialog) && !qobject_cast<QFileDialog*>(dialog)) {
            dialog->reject();
        }
    });
    declineNotePasswords.start(5);
    answerer.nextFile = backup / "Manifest.plist";
    ui().chooseButton->click();
    EXPECT_EQ(ui().libraryLabel->toolTip().toStdString(), backup.string());
    EXPECT_TRUE(ui().backupPasswordEdit->isVisible());
    EXPECT_EQ(ui().backupPasswordEdit->echoMode(), QLineEdit::Password);
    // Its password is typed for the run: nothing to say against it before.
    EXPECT_FALSE(ui().libraryProblemLabel->isVisible());
    EXPECT_TRUE(ui().startButton->isEnabled());

    QTest::keyClicks(ui().backupPasswordEdit, "open says me");
    ui().startButton->click();
    ASSERT_EQ(answerer.alerts.size(), 1u);
    answerer.alerts.clear();
    EXPECT_TRUE(ui().libraryProblemLabel->text().startsWith(
        QString::fromStdString(backup.string() + ": the backup password is not correct")))
        << ui().libraryProblemLabel->text().toStdString();
    EXPECT_EQ(ui().backupPasswordEdit->text().toStdString(), "");

    QTest::keyClicks(ui().backupPasswordEdit, "open sesame");
    QTest::keyClick(ui().backupPasswordEdit, Qt::Key_Return);  // Return starts the run here too
    ASSERT_TRUE(
        waitUntil([&] { return !ui().statusLabel->text().isEmpty(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(answerer.alerts.empty());
    EXPECT_FALSE(ui().libraryProblemLabel->isVisible());
    EXPECT_TRUE(std::regex_search(ui().statusLabel->text().toStdString(),
                                  std::regex("^Import finished: [1-9][0-9]* notes written")))
        << ui().statusLabel->text().toStdString();
    EXPECT_EQ(ui().backupPasswordEdit->text().toStdString(), "");
    EXPECT_EQ(tree(backup), before);
}

TEST(QtProgressIndicator, KeepsTheRunsValuesAndShowsWholeStepsWithinTheBar) {
    struct Row {
        const char* name;
        double maxValue;
        std::vector<double> increments;
        double value;    // doubleValue() afterwards
        int barMaximum;  // what the bar shows
        int barValue;
    };
    const std::vector<Row> rows = {
        {"halves", 3, {0.5, 0.5, 0.5}, 1.5, 3, 1},
        {"no_notes", 0, {}, 0, 1, 0},  // a range of 0 to 0 would be a busy bar
        {"more_steps_than_counted", 2, {1, 1, 1}, 3, 2, 2},
        {"beyond_an_int", 1e10, {5e9}, 5e9, INT_MAX, INT_MAX / 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QProgressBar bar;
        gui::QtProgressIndicator indicator(&bar);
        indicator.setMaxValue(row.maxValue);
        indicator.setDoubleValue(0.0);
        for (double step : row.increments) indicator.incrementBy(step);
        EXPECT_EQ(indicator.maxValue(), row.maxValue);
        EXPECT_EQ(indicator.doubleValue(), row.value);
        EXPECT_EQ(bar.maximum(), row.barMaximum);
        EXPECT_EQ(bar.value(), row.barValue);
    }
}

}  // namespace
}  // namespace quillmere::test
