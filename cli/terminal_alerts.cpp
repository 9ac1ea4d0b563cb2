#include "cli/terminal_alerts.h"

#include "platform/settings/system_log.h"

namespace quillmere {

TerminalAlerts::TerminalAlerts(std::shared_ptr<TerminalStatusLine> statusLine)
    : statusLine_(std::move(statusLine)) {}

void TerminalAlerts::runModal(const Alert& alert) {
    // An error's text may quote a file name; it must stay on its line.
    statusLine_->printLine(system_log::escapeControlCharacters(alert.messageText));
    if (!alert.informativeText.empty()) {
        statusLine_->printLine(system_log::escapeControlCharacters(alert.informativeText));
    }
}

}  // namespace quillmere
