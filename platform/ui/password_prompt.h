#pragma once
// The port through which a run asks the user for a password: the window shows a dialog, the
// command reads the terminal without echo. The run and the sources never prompt themselves.
//
//   PasswordRequest request{"Tax 2024", "the name of my cat"};
//   if (auto password = prompt.askPassword(request)) { ...try it... } else { ...ask no more... }
//
// Called on the thread that reads the source (the run's background queue), never on the main
// queue; an implementation that must show something on the main queue waits there for it.

#include <optional>
#include <string>

#include "platform/crypto/secure_bytes.h"

namespace quillmere {

struct PasswordRequest {
    std::string itemName;  // what is locked (a note's title), UTF-8; may be empty
    std::string hint;      // the hint stored with it, UTF-8; may be empty. Shown only here.
};

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;

    // The password the user gives (UTF-8), or std::nullopt when the user declines, which means:
    // ask no more in this run.
    virtual std::optional<SecureBytes> askPassword(const PasswordRequest& request) = 0;
};

}  // namespace quillmere
