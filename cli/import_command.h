#pragma once
// One import run from the command line: the same AppDelegate as the window, with terminal
// versions of its ports. The launch handler, one beginImport, then the main queue is run until
// the run's completion step has shown the start button again.
//
//   int status = runImportCommand(options);   // 0 done, 1 stopped by an alert, 3 notes lost
//
// Standard output receives only the export folder's absolute path, as the last line; standard
// error the log lines the user should see, the alerts, the summary line, and on a terminal the
// progress bar. Routine log lines go to the system log (and with --verbose to standard error).

#include "cli/command_line.h"

namespace quillmere {

inline constexpr int kExitDone = 0;
inline constexpr int kExitStoppedByAlert = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotesLost = 3;  // the run ended, but a note was not read or written
// A cancelled run answers this; the caller ends the process by the signal that cancelled it.
inline constexpr int kExitCancelled = -1;

int runImportCommand(const command_line::Options& options);

// Asks the run in progress, if any, to stop after the note it is on, and answers whether there
// was one. Async-signal-safe: for the handler of Ctrl+C.
bool cancelRunningImport();

}  // namespace quillmere
