#include "tests/fakes/recording_controls.h"

namespace quillmere::test {

namespace {
const char* flag(bool value) { return value ? "true" : "false"; }
}  // namespace

void RecordingProgressIndicator::setHidden(bool hidden) {
    hidden_ = hidden;
    journal_->record(std::string("progress.setHidden(") + flag(hidden) + ")");
}

void RecordingProgressIndicator::setMaxValue(double maxValue) {
    maxValue_ = maxValue;
    journal_->record("progress.setMaxValue(" + journalNumber(maxValue) + ")");
}

void RecordingProgressIndicator::setDoubleValue(double value) {
    value_ = value;
    journal_->record("progress.setDoubleValue(" + journalNumber(value) + ")");
}

void RecordingProgressIndicator::incrementBy(double delta) {
    value_ += delta;
    journal_->record("progress.incrementBy(" + journalNumber(delta) + ")");
}

void RecordingButton::setHidden(bool hidden) {
    hidden_ = hidden;
    journal_->record(std::string("button.setHidden(") + flag(hidden) + ")");
}

}  // namespace quillmere::test
