#pragma once
// The status line at the end of a run: how many notes became files and how many did not, and
// where the folder went.
//
//   auto report = RunReport::afterRun(handOver, bar.doubleValue(), bar.maxValue());
//   statusLabel->setText(report.text());   // "3 notes written, 1 skipped. Opened in ..."

#include <cstdint>
#include <string>

#include "gui/hand_over_workspace.h"

namespace quillmere::gui {

struct RunReport {
    std::uint64_t written = 0;
    std::uint64_t skipped = 0;
    HandOver handOver;

    // Counts the note files below the export folder. A note is skipped when the run counted it
    // (`planned`, the bar's maximum) or handled it (`handled`, the bar's value) but wrote no file
    // for it: an empty note, one that could not be written, one in a folder that was skipped.
    static RunReport afterRun(const HandOver& handOver, double handled, double planned);

    // One line for the window, UTF-8.
    std::string text() const;
};

}  // namespace quillmere::gui
