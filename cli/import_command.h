#pragma once
// One import run from the command line: the same AppDelegate as the window, with terminal
// versions of its ports. The launch handler, one beginImport, then the main queue is run until
// the run's completion step has shown the start button again.
//
//   int status = runImportCommand(options);   // 0 done, 1 stopped by an alert
//
// Standard output receives only the export folder's absolute path, as the last line; standard
// error the log lines, the alerts, and on a terminal the progress bar.

#include "cli/command_line.h"

namespace quillmere {

inline constexpr int kExitDone = 0;
inline constexpr int kExitStoppedByAlert = 1;
inline constexpr int kExitUsage = 2;

int runImportCommand(const command_line::Options& options);

}  // namespace quillmere
