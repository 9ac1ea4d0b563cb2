#pragma once
// One ordered record of the calls that several recording fakes receive, so that a test can check
// the order across them (the bar shown before the button is hidden, the hand-over after the last
// progress step).
//
//   auto journal = std::make_shared<CallJournal>();
//   RecordingButton button(journal);
//   button.setHidden(true);   // journal->calls == {"button.setHidden(true)"}

#include <memory>
#include <string>
#include <vector>

namespace quillmere::test {

struct CallJournal {
    std::vector<std::string> calls;

    void record(std::string call) { calls.push_back(std::move(call)); }
};

// A double as the journal writes it: the shortest form that reads back the same ("3", "0.5").
std::string journalNumber(double value);

}  // namespace quillmere::test
