#include "cli/terminal_status_line.h"

#include "platform/files/file_io.h"

namespace quillmere {

namespace {
// Back to the start of the line and erase it.
constexpr std::string_view kEraseLine = "\r\x1b[K";
}  // namespace

TerminalStatusLine::TerminalStatusLine(int fd, bool showStatus)
    : fd_(fd), showStatus_(showStatus) {}

void TerminalStatusLine::printLine(std::string_view line) {
    std::string bytes;
    std::lock_guard lock(mutex_);
    if (!status_.empty()) bytes += kEraseLine;
    bytes += line;
    if (line.empty() || line.back() != '\n') bytes += '\n';
    bytes += status_;
    write(bytes);
}

void TerminalStatusLine::setStatus(std::string status) {
    if (!showStatus_) return;
    std::lock_guard lock(mutex_);
    status_ = std::move(status);
    std::string bytes(kEraseLine);
    bytes += status_;
    write(bytes);
}

void TerminalStatusLine::clearStatus() {
    std::lock_guard lock(mutex_);
    if (status_.empty()) return;
    status_.clear();
    write(kEraseLine);
}

void TerminalStatusLine::write(std::string_view bytes) {
    writeAll(fd_, bytes);  // nowhere left to report a failure
}

}  // namespace quillmere
