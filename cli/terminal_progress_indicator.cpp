#include "cli/terminal_progress_indicator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quillmere {

namespace {
// Redrawing for every note of a large library would cost more than the note itself.
constexpr auto kRedrawInterval = std::chrono::milliseconds(50);
}  // namespace

TerminalProgressIndicator::TerminalProgressIndicator(std::shared_ptr<TerminalStatusLine> statusLine)
    : statusLine_(std::move(statusLine)) {}

void TerminalProgressIndicator::setHidden(bool hidden) {
    hidden_ = hidden;
    if (hidden) {
        statusLine_->clearStatus();
        return;
    }
    start_ = std::chrono::steady_clock::now();
    draw(true);
}

void TerminalProgressIndicator::setMaxValue(double maxValue) {
    maxValue_ = maxValue;
    draw(true);
}

void TerminalProgressIndicator::setDoubleValue(double value) {
    value_ = value;
    if (value == 0.0) start_ = std::chrono::steady_clock::now();  // a run starts counting
    draw(true);
}

void TerminalProgressIndicator::incrementBy(double delta) {
    value_ += delta;
    draw(value_ >= maxValue_);
}

void TerminalProgressIndicator::draw(bool force) {
    if (hidden_ || !statusLine_->showsStatus()) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    statusLine_->setStatus(progress_bar::render(value_, maxValue_, seconds));
}

namespace progress_bar {

std::string render(double value, double maxValue, double seconds, int width) {
    double fraction = maxValue > 0.0 ? std::clamp(value / maxValue, 0.0, 1.0) : 1.0;
    int filled = static_cast<int>(std::floor(fraction * width));
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '=');
    if (filled < width) {
        bar += '>';
        bar.append(static_cast<std::size_t>(width - filled - 1), ' ');
    }
    bar += ']';

    char numbers[96];
    double rate = seconds > 0.0 ? value / seconds : 0.0;
    std::snprintf(numbers, sizeof numbers, " %.0f/%.0f  %.1f notes/s", std::max(value, 0.0),
                  std::max(maxValue, 0.0), rate);
    return bar + numbers;
}

}  // namespace progress_bar

}  // namespace quillmere
