#pragma once
// Standard error as the command shares it: whole lines (log lines, alerts, messages) and, on a
// terminal, one status line at the bottom (the progress bar) that lines are written above.
//
//   auto err = std::make_shared<TerminalStatusLine>(STDERR_FILENO, isatty(STDERR_FILENO));
//   err->setStatus("[====>     ] 12/40");
//   err->printLine("Note: x is empty or password protected!");   // the bar is redrawn below
//
// Safe to use from any thread; lines never interleave.

#include <mutex>
#include <string>
#include <string_view>

namespace quillmere {

class TerminalStatusLine {
public:
    // `showStatus`: whether the status line is drawn at all (a terminal, and not --quiet).
    TerminalStatusLine(int fd, bool showStatus);

    bool showsStatus() const { return showStatus_; }

    // Writes `line` and a newline (one is not added when `line` ends with one), clearing the
    // status line first and drawing it again below.
    void printLine(std::string_view line);
    // Replaces the status line; ignored when it is not shown.
    void setStatus(std::string status);
    // Removes the status line from the screen.
    void clearStatus();

private:
    void write(std::string_view bytes);

    const int fd_;
    const bool showStatus_;
    std::mutex mutex_;
    std::string status_;
};

}  // namespace quillmere
