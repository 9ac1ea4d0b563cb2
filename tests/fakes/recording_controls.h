#pragma once
// A recording fake of the run's two controls, the progress bar and the start button. Each call
// goes to a journal shared with the other fakes as "<control>.<operation>(<argument>)", so that
// a test can check the order across them; the state it sets is kept so that getters answer it.
//
//   auto journal = std::make_shared<CallJournal>();
//   RecordingControl bar(journal, "progress");
//   bar.incrementBy(1.0);   // journal: {"progress.incrementBy(1)"}

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/progress_indicator.h"
#include "platform/ui/window.h"

namespace quillmere::test {

using CallJournal = std::vector<std::string>;

// Writes "<call>(<argument>)"; a double in its shortest form ("3", "0.5").
template <typename Argument>
void record(CallJournal& journal, const std::string& call, Argument argument) {
    std::ostringstream line;
    line << std::boolalpha << call << '(' << argument << ')';
    journal.push_back(line.str());
}

class RecordingControl : public ProgressIndicator, public Button {
public:
    RecordingControl(std::shared_ptr<CallJournal> journal, std::string name, bool hidden)
        : journal_(std::move(journal)), name_(std::move(name) + "."), hidden_(hidden) {}

    void setHidden(bool hidden) override {
        record(*journal_, name_ + "setHidden", hidden_ = hidden);
    }
    bool isHidden() const override { return hidden_; }
    void setMaxValue(double max) override { record(*journal_, name_ + "setMaxValue", max_ = max); }
    double maxValue() const override { return max_; }
    void setDoubleValue(double value) override {
        record(*journal_, name_ + "setDoubleValue", value_ = value);
    }
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override {
        value_ += delta;
        record(*journal_, name_ + "incrementBy", delta);
    }

private:
    std::shared_ptr<CallJournal> journal_;
    std::string name_;
    bool hidden_;
    double max_ = 100.0;
    double value_ = 0.0;
};

class PlainWindow : public Window {};

}  // namespace quillmere::test
