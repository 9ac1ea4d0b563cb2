#pragma once
// The diagnostic log: one line per message, never shown to the user in a window.

#include <string>

namespace quillmere {

class Log {
public:
    virtual ~Log() = default;

    // Writes one line; `message` is UTF-8 and may be written with a date and the program's name
    // in front.
    virtual void log(const std::string& message) = 0;
};

}  // namespace quillmere
