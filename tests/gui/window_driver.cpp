// Runs the window's application main routine and drives it as a user would: it presses the
// start button at once and closes the window once the run has handled `argv[1]` notes. What
// the routine then does on its way out is what the tests look at.

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <vector>

#include "gui/application.h"
#include "ui_main_window.h"

int main(int argc, char** argv) {
    const int closeAfter = argc > 1 ? std::atoi(argv[1]) : 1;
    std::vector<char*> arguments(argv, argv + argc);
    if (argc > 1) arguments.erase(arguments.begin() + 1);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);

    return quillmere::gui::applicationMain(
        count, arguments.data(), [closeAfter](quillmere::gui::MainWindow& window) {
            QObject::connect(window.ui().progressBar, &QProgressBar::valueChanged, &window,
                             [&window, closeAfter](int value) {
                                 if (value >= closeAfter) window.close();
                             });
            QTimer::singleShot(0, window.ui().startButton, &QPushButton::click);
        });
}
