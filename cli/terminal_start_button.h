#pragma once
// The start button of a run without a window. A run hides it when it starts and its completion
// step shows it again, which is how the command learns that the run has finished.

#include <functional>

#include "platform/ui/button.h"

namespace quillmere {

class TerminalStartButton : public Button {
public:
    // `onShownAgain` runs when the button is shown after a run has hidden it.
    explicit TerminalStartButton(std::function<void()> onShownAgain);

    void setHidden(bool hidden) override;
    bool isHidden() const override { return hidden_; }

    // Whether a run hid the button, that is, got past its checks.
    bool runStarted() const { return runStarted_; }
    // Whether a run's completion step has shown the button again.
    bool runCompleted() const { return runCompleted_; }

private:
    std::function<void()> onShownAgain_;
    bool hidden_ = false;
    bool runStarted_ = false;
    bool runCompleted_ = false;
};

}  // namespace quillmere
