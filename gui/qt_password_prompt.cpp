#include "gui/qt_password_prompt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmere::gui {

std::optional<SecureBytes> QtPasswordPrompt::askPassword(const PasswordRequest& request) {
    std::optional<SecureBytes> answer;
    mainQueue_->sync([&] { answer = runDialog(parent_, request); });
    return answer;
}

std::optional<SecureBytes> QtPasswordPrompt::runDialog(QWidget* parent,
                                                       const PasswordRequest& request) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Locked Note"));
    auto* layout = new QVBoxLayout(&dialog);

    auto* note = new QLabel(QStringLiteral("The note \u201c%1\u201d is locked with a password.")
                                .arg(QString::fromStdString(request.itemName)),
                            &dialog);
    note->setObjectName(QStringLiteral("noteLabel"));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* hint =
        new QLabel(QStringLiteral("Hint: %1").arg(QString::fromStdString(request.hint)), &dialog);
    hint->setObjectName(QStringLiteral("hintLabel"));
    hint->setTextFormat(Qt::PlainText);
    hint->setWordWrap(true);
    hint->setVisible(!request.hint.empty());
    layout->addWidget(hint);

    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("passwordField"));
    field->setEchoMode(QLineEdit::Password);
    field->setAccessibleName(QStringLiteral("Password"));
    layout->addWidget(field);

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* open = buttons->addButton(QStringLiteral("Open"), QDialogButtonBox::AcceptRole);
    open->setObjectName(QStringLiteral("openButton"));
    open->setDefault(true);
    QPushButton* skip =
        buttons->addButton(QStringLiteral("Skip locked notes"), QDialogButtonBox::RejectRole);
    skip->setObjectName(QStringLiteral("skipButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    field->setFocus();

    const bool accepted = dialog.exec() == QDialog::Accepted;
    QString typed = field->text();
    field->clear();
    std::optional<SecureBytes> answer;
    if (accepted && !typed.isEmpty()) {
        QByteArray utf8 = typed.toUtf8();
        answer = secureBytesOf(std::string_view(utf8.constData(), utf8.size()));
        cleanseMemory(utf8.data(), static_cast<std::size_t>(utf8.size()));
    }
    typed.fill(QChar(u'\0'));
    return answer;
}

}  // namespace quillmere::gui
