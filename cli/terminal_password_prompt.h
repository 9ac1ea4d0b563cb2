#pragma once
// The command's passwords: read from a file given with --password-file (one a line), and, with
// --ask-password, asked for on the terminal without echo, showing the locked note's hint.
//
//   auto passwords = readPasswordFile(path);         // std::nullopt and `problem` when unreadable
//   auto prompt = std::make_shared<TerminalPasswordPrompt>(mainQueue, statusLine);
//
// Nothing here writes a password anywhere; what it held is cleared when it goes away.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/terminal_status_line.h"
#include "platform/crypto/secure_bytes.h"
#include "platform/dispatch/dispatch_queue.h"
#include "platform/ui/password_prompt.h"

namespace quillmere {

// The passwords in the file at `path`: one a line, UTF-8, taken whole (spaces belong to them),
// without its line end ("\n" or "\r\n"); empty lines are skipped. std::nullopt, with `problem`
// set, when the file cannot be read or is larger than 1 MiB.
std::optional<std::vector<SecureBytes>> readPasswordFile(const std::string& path,
                                                         std::string& problem);

// Writes `prompt` to `out`, reads one line from `in` with echo off when `in` is a terminal, and
// answers it without its line end; std::nullopt for an empty line, the end of input or an error.
// A line longer than 4096 bytes is cut there.
std::optional<SecureBytes> readPasswordLine(int in, int out, const std::string& prompt);

// Asks on the controlling terminal (/dev/tty) from the main queue, with the progress bar out of
// the way. No terminal, or an empty answer: no password, and no more questions.
class TerminalPasswordPrompt : public PasswordPrompt {
public:
    TerminalPasswordPrompt(std::shared_ptr<DispatchQueue> mainQueue,
                           std::shared_ptr<TerminalStatusLine> statusLine)
        : mainQueue_(std::move(mainQueue)), statusLine_(std::move(statusLine)) {}

    std::optional<SecureBytes> askPassword(const PasswordRequest& request) override;

    // The question, one line: names the note and shows its hint.
    static std::string question(const PasswordRequest& request);

private:
    std::shared_ptr<DispatchQueue> mainQueue_;
    std::shared_ptr<TerminalStatusLine> statusLine_;
};

}  // namespace quillmere
