#pragma once
// The run's progress bar over a QProgressBar. The bar counts in whole steps of an int; the
// indicator keeps the run's own values as doubles (fractions and totals beyond an int
// included) and shows the nearest whole step below them.

#include <QPointer>
#include <QProgressBar>

#include "platform/ui/progress_indicator.h"

namespace quillmere::gui {

class QtProgressIndicator : public ProgressIndicator {
public:
    explicit QtProgressIndicator(QProgressBar* bar);

    void setHidden(bool hidden) override;
    bool isHidden() const override;
    void setMaxValue(double maxValue) override;
    double maxValue() const override { return maxValue_; }
    void setDoubleValue(double value) override;
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override;

private:
    // Carries the values over to the bar.
    void show();

    QPointer<QProgressBar> bar_;
    double maxValue_ = 100.0;
    double value_ = 0.0;
};

}  // namespace quillmere::gui
