#include "cli/terminal_start_button.h"

namespace quillmere {

TerminalStartButton::TerminalStartButton(std::function<void()> onShownAgain)
    : onShownAgain_(std::move(onShownAgain)) {}

void TerminalStartButton::setHidden(bool hidden) {
    bool wasHidden = hidden_;
    hidden_ = hidden;
    if (hidden) {
        runStarted_ = true;
    } else if (wasHidden && runStarted_) {
        runCompleted_ = true;
        if (onShownAgain_) onShownAgain_();
    }
}

}  // namespace quillmere
