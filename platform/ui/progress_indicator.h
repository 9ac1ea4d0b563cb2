#pragma once
// The determinate progress bar of a run. Touched only on the main queue.

namespace quillmere {

class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;

    virtual void setHidden(bool hidden) = 0;
    virtual bool isHidden() const = 0;
    virtual void setMaxValue(double maxValue) = 0;
    virtual double maxValue() const = 0;
    virtual void setDoubleValue(double value) = 0;
    virtual double doubleValue() const = 0;
    // Advances the value by `delta`.
    virtual void incrementBy(double delta) = 0;
};

}  // namespace quillmere
