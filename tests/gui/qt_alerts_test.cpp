#include "gui/qt_alerts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace quillmere::gui {
namespace {

// A path or a note's name in an alert is shown as it is, never read as markup.
TEST(QtAlerts, TextAndInformativeTextArePlain) {
    struct Shown {
        QString text;
        Qt::TextFormat format;
    };
    std::vector<Shown> shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text().contains(QStringLiteral("<b>"))) {
                shown.push_back({label->text(), label->textFormat()});
            }
        }
        box->accept();
    });
    answer.start(5);
    QtAlerts(nullptr).runModal(Alert{"Could not read /home/<b>ann</b>/Notes.json",
                                     "The file /home/<b>ann</b>/Notes.json is damaged."});
    ASSERT_EQ(shown.size(), 2u) << "the message text and the informative text";
    for (const Shown& label : shown) {
        EXPECT_EQ(label.format, Qt::PlainText) << label.text.toStdString();
    }
}

}  // namespace
}  // namespace quillmere::gui
