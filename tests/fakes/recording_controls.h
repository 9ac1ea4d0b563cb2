#pragma once
// Recording fakes of the run's two controls. Each call is written to the shared journal as
// "<control>.<operation>(<argument>)", and the state it sets is kept so that getters answer it.
//
//   auto journal = std::make_shared<CallJournal>();
//   auto bar = std::make_shared<RecordingProgressIndicator>(journal);
//   bar->incrementBy(1.0);   // journal: "progress.incrementBy(1)"

#include <memory>

#include "platform/button.h"
#include "platform/progress_indicator.h"
#include "platform/window.h"
#include "tests/fakes/call_journal.h"

namespace quillmere::test {

class RecordingProgressIndicator : public ProgressIndicator {
public:
    explicit RecordingProgressIndicator(std::shared_ptr<CallJournal> journal)
        : journal_(std::move(journal)) {}

    void setHidden(bool hidden) override;
    bool isHidden() const override { return hidden_; }
    void setMaxValue(double maxValue) override;
    double maxValue() const override { return maxValue_; }
    void setDoubleValue(double value) override;
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override;

private:
    std::shared_ptr<CallJournal> journal_;
    bool hidden_ = true;
    double maxValue_ = 100.0;
    double value_ = 0.0;
};

class RecordingButton : public Button {
public:
    explicit RecordingButton(std::shared_ptr<CallJournal> journal) : journal_(std::move(journal)) {}

    void setHidden(bool hidden) override;
    bool isHidden() const override { return hidden_; }

private:
    std::shared_ptr<CallJournal> journal_;
    bool hidden_ = false;
};

class PlainWindow : public Window {};

}  // namespace quillmere::test
