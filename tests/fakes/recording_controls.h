#pragma once
// Recording fakes of the run's two controls. Each call goes to a journal shared with the other
// fakes as "<control>.<operation>(<argument>)", so that a test can check the order across them;
// the state it sets is kept so that getters answer it.
//
//   auto journal = std::make_shared<CallJournal>();
//   RecordingProgressIndicator bar(journal);
//   bar.incrementBy(1.0);   // journal: {"progress.incrementBy(1)"}

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/button.h"
#include "platform/progress_indicator.h"
#include "platform/window.h"

namespace quillmere::test {

using CallJournal = std::vector<std::string>;

// Writes "<prefix>(<argument>)"; a double in its shortest form ("3", "0.5").
template <typename Argument>
void record(CallJournal& journal, const std::string& prefix, Argument argument) {
    std::ostringstream call;
    call << std::boolalpha << prefix << '(' << argument << ')';
    journal.push_back(call.str());
}

class RecordingProgressIndicator : public ProgressIndicator {
public:
    explicit RecordingProgressIndicator(std::shared_ptr<CallJournal> journal)
        : journal_(std::move(journal)) {}

    void setHidden(bool hidden) override {
        record(*journal_, "progress.setHidden", hidden_ = hidden);
    }
    bool isHidden() const override { return hidden_; }
    void setMaxValue(double max) override { record(*journal_, "progress.setMaxValue", max_ = max); }
    double maxValue() const override { return max_; }
    void setDoubleValue(double value) override {
        record(*journal_, "progress.setDoubleValue", value_ = value);
    }
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override {
        value_ += delta;
        record(*journal_, "progress.incrementBy", delta);
    }

private:
    std::shared_ptr<CallJournal> journal_;
    bool hidden_ = true;
    double max_ = 100.0;
    double value_ = 0.0;
};

class RecordingButton : public Button {
public:
    explicit RecordingButton(std::shared_ptr<CallJournal> journal) : journal_(std::move(journal)) {}

    void setHidden(bool hidden) override {
        record(*journal_, "button.setHidden", hidden_ = hidden);
    }
    bool isHidden() const override { return hidden_; }

private:
    std::shared_ptr<CallJournal> journal_;
    bool hidden_ = false;
};

class PlainWindow : public Window {};

}  // namespace quillmere::test
