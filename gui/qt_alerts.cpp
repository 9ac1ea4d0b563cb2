#include "gui/qt_alerts.h"

#include <QLabel>
#include <QMessageBox>

namespace quillmere::gui {

void QtAlerts::runModal(const Alert& alert) {
    QMessageBox box(parent_);
    box.setIcon(QMessageBox::Warning);
    // The title repeats the application's name; what went wrong is the message text.
    box.setWindowTitle(QStringLiteral("Quillmere Notes Importer"));
    box.setText(QString::fromStdString(alert.messageText));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    // Paths and names are shown as they are, never read as markup. QMessageBox::setTextFormat
    // leaves out the informative text's label (Qt 6.4), so every label is set here.
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setAccessibleName(box.text());
    box.setAccessibleDescription(box.informativeText());
    box.exec();
}

}  // namespace quillmere::gui
