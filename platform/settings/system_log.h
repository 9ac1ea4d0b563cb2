#pragma once
// The diagnostic log of the front ends: every message becomes one line on standard error, with
// the local date and time, the program's name and its process id in front:
//
//   2026-12-06 10:15:02.123 quillmere-notes-import[1234] Note: Pancakes is empty or password
//   protected!
//
//   SystemLog log;                      // writes to standard error
//   log.log("Mismatching parent ID: a vs. b");
//
// Every line also goes to the system's log (syslog, so the journal where there is one). Routine
// lines go there only, unless setRoutineLinesShown(true) sends them to the sink as well.
//
// Lines written from several threads never interleave. A message stays one line: control
// characters in it (a line break in a note's title, a terminal escape) are written as visible
// escapes, so that nothing read from a Notes library can forge a line or drive the terminal.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/settings/log.h"

namespace quillmere {

class SystemLog : public Log {
public:
    // Receives each finished line, newline included. Called with no lock held by the log.
    using Sink = std::function<void(const std::string& line)>;

    // Writes to standard error under the name the program was started with.
    SystemLog();
    // Writes each line to `sink` under `programName`.
    SystemLog(std::string programName, Sink sink);

    void log(const std::string& message) override;
    void logRoutine(const std::string& message) override;
    // Whether routine lines reach the sink too (the command's --verbose). Set before a run.
    void setRoutineLinesShown(bool shown) { routineLinesShown_ = shown; }

    // The name the program was started with, without its directory.
    static std::string defaultProgramName();
    // A sink that writes each line to the file descriptor with one write(2) call where possible,
    // serialised with every other line written through such a sink.
    static Sink fileDescriptorSink(int fd);

private:
    void toSystemLog(const std::string& message, bool routine);

    std::string programName_;
    Sink sink_;
    bool routineLinesShown_ = false;
};

namespace system_log {

// The line for `message`, without its newline: local date and time with milliseconds, the
// program's name, its process id in brackets, the message with its control characters escaped
// ("\n", "\r", "\x1b"; a tab stays).
std::string formatLine(std::chrono::system_clock::time_point time, std::string_view programName,
                       long processId, std::string_view message);

// `message` with every control character other than tab written as an escape.
std::string escapeControlCharacters(std::string_view message);

}  // namespace system_log

}  // namespace quillmere
