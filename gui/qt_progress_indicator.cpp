#include "gui/qt_progress_indicator.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace quillmere::gui {

QtProgressIndicator::QtProgressIndicator(QProgressBar* bar) : bar_(bar) {
    if (bar_) {
        bar_->setRange(0, static_cast<int>(maxValue_));
        bar_->setValue(0);
    }
}

void QtProgressIndicator::setHidden(bool hidden) {
    if (bar_) bar_->setHidden(hidden);
}

bool QtProgressIndicator::isHidden() const { return !bar_ || bar_->isHidden(); }

void QtProgressIndicator::setMaxValue(double maxValue) {
    maxValue_ = maxValue;
    show();
}

void QtProgressIndicator::setDoubleValue(double value) {
    value_ = value;
    show();
}

void QtProgressIndicator::incrementBy(double delta) {
    value_ += delta;
    show();
}

void QtProgressIndicator::show() {
    if (!bar_) return;
    const double total = std::isfinite(maxValue_) ? std::max(maxValue_, 0.0) : 0.0;
    // A total beyond an int is shown to scale; a total of 0 as an empty bar (a range of 0 to 0
    // would make the bar a busy indicator).
    const double scale = total > INT_MAX ? INT_MAX / total : 1.0;
    const int steps = std::max(1, static_cast<int>(std::ceil(total * scale)));
    const double value = std::isfinite(value_) ? value_ : 0.0;
    const int step = static_cast<int>(std::clamp(std::floor(value * scale), 0.0, total * scale));
    if (bar_->maximum() != steps) {
        bar_->setRange(0, steps);
        bar_->setFormat(scale == 1.0 ? QStringLiteral("%v of %m notes") : QStringLiteral("%p%"));
    }
    if (bar_->value() != step) bar_->setValue(step);
}

}  // namespace quillmere::gui
