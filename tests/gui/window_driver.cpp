// Runs the window's application main routine and drives it as a user would, pressing the start
// button at once:
//
//   window_driver close-after N      closes the window once the run has handled N notes; how
//                                    the routine then ends is what the tests look at
//   window_driver screenshots DIR    saves the window halfway through the run (during-run.png)
//                                    and after it (after-run.png), then closes it
//
// Qt's own options (-platform ...) may follow.

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/application.h"
#include "ui_main_window.h"

namespace {

using quillmere::gui::MainWindow;

void closeAfter(MainWindow& window, int notes) {
    QObject::connect(window.ui().progressBar, &QProgressBar::valueChanged, &window,
                     [&window, notes](int value) {
                         if (value >= notes) window.close();
                     });
}

void takeScreenshots(MainWindow& window, const QString& dir) {
    QProgressBar* bar = window.ui().progressBar;
    QObject::connect(bar, &QProgressBar::valueChanged, &window, [&window, bar, dir](int value) {
        if (value == bar->maximum() / 2) window.grab().save(dir + "/during-run.png");
    });
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, dir] {
        if (window.ui().statusLabel->text().isEmpty()) return;
        window.grab().save(dir + "/after-run.png");
        window.close();
    });
    poll->start(50);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s close-after N | screenshots DIR [Qt options]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const std::string value = argv[2];
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 3, argv + argc);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);

    return quillmere::gui::applicationMain(count, arguments.data(), [&](MainWindow& window) {
        if (mode == "screenshots") {
            takeScreenshots(window, QString::fromStdString(value));
        } else {
            closeAfter(window, std::atoi(value.c_str()));
        }
        QTimer::singleShot(0, window.ui().startButton, &QPushButton::click);
    });
}
