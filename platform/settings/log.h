#pragma once
// The diagnostic log: one line per message, never shown to the user in a window. Lines the user
// should know of (a note skipped, renamed, not written) go through log(); routine ones through
// logRoutine().

#include <string>

namespace quillmere {

class Log {
public:
    virtual ~Log() = default;

    // Writes one line; `message` is UTF-8 and may be written with a date and the program's name
    // in front.
    virtual void log(const std::string& message) = 0;
    // Writes one routine line, one a user need not see (it names internal identifiers): a log
    // that shows lines to the user may keep these for the system's log alone.
    virtual void logRoutine(const std::string& message) { log(message); }
};

}  // namespace quillmere
