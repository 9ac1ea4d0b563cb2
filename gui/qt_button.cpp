#include "gui/qt_button.h"

namespace quillmere::gui {

void QtButton::setHidden(bool hidden) {
    if (!button_) return;
    button_->setHidden(hidden);
    if (!hidden) {
        QWidget* focus = button_->window()->focusWidget();
        if (!focus || !focus->isVisible()) button_->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace quillmere::gui
