#include "gui/qt_alerts.h"

#include <QMessageBox>

namespace quillmere::gui {

void QtAlerts::runModal(const Alert& alert) {
    QMessageBox box(parent_);
    box.setIcon(QMessageBox::Warning);
    // The title repeats the application's name; what went wrong is the message text.
    box.setWindowTitle(QStringLiteral("Quillmere Notes Importer"));
    box.setText(QString::fromStdString(alert.messageText));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setAccessibleName(box.text());
    box.setAccessibleDescription(box.informativeText());
    box.exec();
}

}  // namespace quillmere::gui
