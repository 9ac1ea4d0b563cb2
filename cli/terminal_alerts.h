#pragma once
// Alerts on a terminal: the message text and the informative text, one line each, on standard
// error. Nobody is there to press OK, so running one returns at once.

#include <memory>

#include "cli/terminal_status_line.h"
#include "platform/ui/alerts.h"

namespace quillmere {

class TerminalAlerts : public Alerts {
public:
    explicit TerminalAlerts(std::shared_ptr<TerminalStatusLine> statusLine);

    // An empty informative text prints no line.
    void runModal(const Alert& alert) override;

private:
    std::shared_ptr<TerminalStatusLine> statusLine_;
};

}  // namespace quillmere
