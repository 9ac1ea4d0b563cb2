#pragma once
// Modal alerts. An alert has one default (OK) button; running it returns when the user has
// dismissed it. Called only on the main queue.

#include <string>

#include "platform/error.h"

namespace quillmere {

struct Alert {
    std::string messageText;      // UTF-8
    std::string informativeText;  // UTF-8

    // The platform's standard alert for an error: its description and recovery suggestion.
    static Alert fromError(const Error& error) {
        return Alert{error.description, error.recoverySuggestion};
    }
    friend bool operator==(const Alert&, const Alert&) = default;
};

class Alerts {
public:
    virtual ~Alerts() = default;

    virtual void runModal(const Alert& alert) = 0;
};

}  // namespace quillmere
