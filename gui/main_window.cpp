#include "gui/main_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>

#include "app/app_delegate.h"
#include "app/export_folder.h"
#include "app/importer_settings.h"
#include "gui/chosen_library_lookup.h"
#include "notes_source/backup/backup_notes.h"
#include "ui_main_window.h"

namespace quillmere::gui {

namespace {

// The library dialog: a file, or a folder that holds a Notes database (the copied
// group.com.apple.notes). Open on such a folder chooses it rather than going into it.
class LibraryDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && QFileInfo(files.constFirst()).isDir() &&
            (QFileInfo::exists(files.constFirst() + QStringLiteral("/NoteStore.sqlite")) ||
             backup::backupFolderKind(files.constFirst().toStdString()) !=
                 backup::BackupFolderKind::none)) {
            chosenFolder_ = files.constFirst();
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

    // The chosen folder or file; empty when none.
    QString chosen() const {
        if (!chosenFolder_.isEmpty()) return chosenFolder_;
        const QStringList files = selectedFiles();
        return files.isEmpty() ? QString() : files.constFirst();
    }

private:
    QString chosenFolder_;
};

}  // namespace

MainWindow::MainWindow(std::shared_ptr<UserDefaultsStore> defaults, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::MainWindow>()), defaults_(std::move(defaults)) {
    ui_->setupUi(this);
    connect(ui_->startButton, &QPushButton::clicked, this, &MainWindow::startRequested);
    connect(ui_->chooseButton, &QPushButton::clicked, this, &MainWindow::chooseLibrary);
    connect(ui_->chooseAction, &QAction::triggered, this, &MainWindow::chooseLibrary);
    connect(ui_->saveChooseButton, &QPushButton::clicked, this, &MainWindow::chooseSaveFolder);
    connect(ui_->skipDeletedCheckBox, &QCheckBox::toggled, this, [this](bool checked) {
        defaults_->setBool(AppDelegate::kSkipRecentlyDeletedKey, checked);
        reportStoreError();
    });
    connect(ui_->cancelButton, &QPushButton::clicked, this, &MainWindow::cancelRequested);
    connect(ui_->quitAction, &QAction::triggered, this, &QWidget::close);
    // A new password is worth a new run, whatever the last one said of the backup.
    connect(ui_->backupPasswordEdit, &QLineEdit::textEdited, this, [this] {
        if (ChosenLibraryLookup::chosenPath(*defaults_)) ui_->startButton->setEnabled(true);
    });
    connect(ui_->headingCheckBox, &QCheckBox::toggled, this, [this](bool checked) {
        defaults_->setBool(AppDelegate::kUseFirstParagraphAsHeadingKey, checked);
        reportStoreError();
    });
    // The rows of the format choice, in order: the values the preference stores.
    connect(ui_->formatComboBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        defaults_->setString(AppDelegate::kExportFormatKey, index == 1 ? "markdown" : "html");
        reportStoreError();
    });
    connect(ui_->attachmentsCheckBox, &QCheckBox::toggled, this, [this](bool checked) {
        defaults_->setBool(AppDelegate::kCopyAttachmentsKey, checked);
        reportStoreError();
    });
    ui_->libraryLabel->installEventFilter(this);
    ui_->startButton->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() = default;

void MainWindow::showSettings() {
    const QSignalBlocker quiet(ui_->headingCheckBox);  // showing a value is not choosing it
    const QSignalBlocker quietToo(ui_->attachmentsCheckBox);
    ui_->headingCheckBox->setChecked(
        defaults_->boolForKey(AppDelegate::kUseFirstParagraphAsHeadingKey));
    const QSignalBlocker quietSkip(ui_->skipDeletedCheckBox);
    ui_->skipDeletedCheckBox->setChecked(
        defaults_->boolForKey(AppDelegate::kSkipRecentlyDeletedKey));
    const QSignalBlocker quietFormat(ui_->formatComboBox);
    ui_->formatComboBox->setCurrentIndex(
        defaults_->stringForKey(AppDelegate::kExportFormatKey) == "markdown" ? 1 : 0);
    ui_->attachmentsCheckBox->setChecked(defaults_->boolForKey(AppDelegate::kCopyAttachmentsKey));
    showLibrary();
    showSaveFolder();
    const auto path = ChosenLibraryLookup::chosenPath(*defaults_);
    showLibraryProblem(path ? ChosenLibraryLookup::problemWithLibrary(*path) : std::nullopt);
    if (auto error = defaults_->lastError()) showStatus(*error);
}

void MainWindow::showLibraryProblem(const std::optional<std::string>& problem) {
    ui_->libraryProblemLabel->setText(problem ? QString::fromStdString(*problem) : QString());
    ui_->libraryProblemLabel->setVisible(problem.has_value());
    // With nothing to read a run could only end in an alert.
    ui_->startButton->setEnabled(ChosenLibraryLookup::chosenPath(*defaults_) && !problem);
}

void MainWindow::setRunning(bool running) {
    for (QWidget* choice : runChoices()) choice->setEnabled(!running);
    ui_->chooseAction->setEnabled(!running);
    ui_->cancelButton->setVisible(running);
    ui_->cancelButton->setEnabled(running);
    if (running) ui_->cancelButton->setFocus(Qt::OtherFocusReason);
}

QList<QWidget*> MainWindow::runChoices() const {
    return {ui_->chooseButton,    ui_->saveChooseButton,    ui_->backupPasswordEdit,
            ui_->headingCheckBox, ui_->skipDeletedCheckBox, ui_->formatComboBox};
}

QString MainWindow::startFolder() { return QDir::homePath(); }

std::string MainWindow::displayPath(const std::string& path) {
    const std::string home = QDir::homePath().toStdString();
    if (home.empty() || home == "/") return path;
    if (path == home) return "~";
    if (path.starts_with(home + "/")) return "~" + path.substr(home.size());
    return path;
}

std::vector<SecureBytes> MainWindow::takeBackupPassword() {
    QLineEdit* field = ui_->backupPasswordEdit;
    std::vector<SecureBytes> passwords;
    QByteArray bytes = field->text().toUtf8();
    if (!bytes.isEmpty()) {
        passwords.push_back(
            secureBytesOf({bytes.constData(), static_cast<std::size_t>(bytes.size())}));
    }
    cleanseMemory(bytes.data(), static_cast<std::size_t>(bytes.size()));
    field->clear();
    return passwords;
}

void MainWindow::showStatus(const std::string& status) {
    ui_->statusLabel->setText(QString::fromStdString(status));
    // A summary takes a few lines: the window grows to show it whole.
    if (QLayout* layout = centralWidget()->layout()) {
        layout->activate();
        const int needed = layout->totalHeightForWidth(centralWidget()->width());
        if (needed > centralWidget()->height())
            resize(width(), height() + needed - centralWidget()->height());
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Outside a dialog Qt gives the default button no Return key of its own; the keys the
    // focused control leaves unused end up here.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && event->modifiers() == Qt::NoModifier && ui_->startButton->isVisible() &&
        ui_->startButton->isEnabled()) {
        ui_->startButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->libraryLabel && event->type() == QEvent::Resize) showLibrary();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::chooseLibrary() {
    const auto current = ChosenLibraryLookup::chosenPath(*defaults_);
    LibraryDialog dialog(
        this, QStringLiteral("Choose Notes Library"),
        current ? QFileInfo(QString::fromStdString(*current)).path() : startFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Notes libraries (*.json *.sqlite Manifest.plist)"),
                           QStringLiteral("All files (*)")});
    dialog.setAccessibleName(QStringLiteral("Choose Notes Library"));
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty()) return;

    std::string path = dialog.chosen().toStdString();
    // A file picked inside a backup (its Manifest.plist) chooses the backup folder.
    const QFileInfo picked(dialog.chosen());
    if (!picked.isDir() &&
        backup::backupFolderKind(picked.path().toStdString()) != backup::BackupFolderKind::none) {
        path = picked.path().toStdString();
    }
    defaults_->setString(kNotesLibraryPathKey, path);
    showLibrary();
    showLibraryProblem(ChosenLibraryLookup::problemWithLibrary(path));
    showStatus({});
    reportStoreError();
}

void MainWindow::chooseSaveFolder() {
    const auto current = export_folder::chosenFolder(*defaults_);
    QFileDialog dialog(this, QStringLiteral("Choose Where to Save the Notes"),
                       current ? QString::fromStdString(*current) : startFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAccessibleName(QStringLiteral("Choose Where to Save the Notes"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;

    const std::string path = dialog.selectedFiles().constFirst().toStdString();
    if (const auto problem = export_folder::problemWithChosenFolder(path)) {
        showStatus(*problem);  // the folder in use stays
        return;
    }
    defaults_->setString(export_folder::kExportFolderPathKey, path);
    showSaveFolder();
    showStatus({});
    reportStoreError();
}

void MainWindow::showSaveFolder() {
    const auto path = export_folder::chosenFolder(*defaults_);
    const QString text = path ? QString::fromStdString(displayPath(*path))
                              : QStringLiteral("A new temporary folder");
    ui_->saveFolderLabel->setText(text);
    ui_->saveFolderLabel->setToolTip(path ? QString::fromStdString(*path) : QString());
    ui_->saveFolderLabel->setAccessibleDescription(text);
}

void MainWindow::showLibrary() {
    const auto path = ChosenLibraryLookup::chosenPath(*defaults_);
    const bool isBackup = path && backup::backupFolderKind(*path) != backup::BackupFolderKind::none;
    ui_->backupPasswordCaption->setVisible(isBackup);
    ui_->backupPasswordEdit->setVisible(isBackup);
    QLabel* label = ui_->libraryLabel;
    if (!path) {
        label->setText(QStringLiteral("None chosen"));
        label->setToolTip({});
        label->setAccessibleDescription(QStringLiteral("None chosen"));
        return;
    }
    const QString full = QString::fromStdString(*path);
    // The file's name is at the end, so the middle gives way first.
    label->setText(label->fontMetrics().elidedText(QString::fromStdString(displayPath(*path)),
                                                   Qt::ElideMiddle, std::max(label->width(), 80)));
    label->setToolTip(full);
    label->setAccessibleDescription(full);
}

void MainWindow::reportStoreError() {
    if (auto error = defaults_->lastError()) showStatus(*error);
}

}  // namespace quillmere::gui
