#pragma once
// The run's progress bar as a status line on standard error:
//
//   [==============>               ]  12/40  3.5 notes/s
//
// The indicator keeps its values whether or not a bar is drawn.

#include <chrono>
#include <memory>
#include <string>

#include "cli/terminal_status_line.h"
#include "platform/ui/progress_indicator.h"

namespace quillmere {

class TerminalProgressIndicator : public ProgressIndicator {
public:
    explicit TerminalProgressIndicator(std::shared_ptr<TerminalStatusLine> statusLine);

    void setHidden(bool hidden) override;
    bool isHidden() const override { return hidden_; }
    void setMaxValue(double maxValue) override;
    double maxValue() const override { return maxValue_; }
    void setDoubleValue(double value) override;
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override;

private:
    void draw(bool force);

    std::shared_ptr<TerminalStatusLine> statusLine_;
    bool hidden_ = true;
    double maxValue_ = 100.0;
    double value_ = 0.0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

namespace progress_bar {

// The status line for `value` of `maxValue` after `seconds`: a bar `width` characters wide, the
// count, the total and the rate. A value beyond the total fills the bar; so does a total of 0.
std::string render(double value, double maxValue, double seconds, int width = 30);

}  // namespace progress_bar

}  // namespace quillmere
