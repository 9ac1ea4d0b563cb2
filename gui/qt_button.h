#pragma once
// The start button over a QPushButton, and the window outlet over the main window.

#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/button.h"
#include "platform/ui/window.h"

namespace quillmere::gui {

class QtButton : public Button {
public:
    explicit QtButton(QPushButton* button) : button_(button) {}

    // A button shown again takes the keyboard focus back when the window's focus went nowhere
    // while it was hidden, so that a keyboard user can go on at once.
    void setHidden(bool hidden) override;
    bool isHidden() const override { return !button_ || button_->isHidden(); }

private:
    QPointer<QPushButton> button_;
};

class QtWindow : public Window {
public:
    explicit QtWindow(QWidget* window) : window_(window) {}

    QWidget* widget() const { return window_; }

private:
    QPointer<QWidget> window_;
};

}  // namespace quillmere::gui
