#include "platform/settings/system_log.h"

#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/files/file_io.h"

namespace quillmere {

namespace {

std::mutex& lineMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

SystemLog::SystemLog() : SystemLog(defaultProgramName(), fileDescriptorSink(STDERR_FILENO)) {}

SystemLog::SystemLog(std::string programName, Sink sink)
    : programName_(std::move(programName)), sink_(std::move(sink)) {}

void SystemLog::log(const std::string& message) {
    toSystemLog(message, false);
    std::string line = system_log::formatLine(std::chrono::system_clock::now(), programName_,
                                              static_cast<long>(::getpid()), message);
    line += '\n';
    sink_(line);
}

void SystemLog::logRoutine(const std::string& message) {
    if (routineLinesShown_) {
        log(message);
    } else {
        toSystemLog(message, true);
    }
}

void SystemLog::toSystemLog(const std::string& message, bool routine) {
    // syslog takes the identity by pointer and keeps it: one string for the process's life.
    static const std::string* identity = [this] {
        auto* name = new std::string(programName_);
        ::openlog(name->c_str(), LOG_PID, LOG_USER);
        return name;
    }();
    (void)identity;
    ::syslog(routine ? LOG_INFO : LOG_NOTICE, "%s",
             system_log::escapeControlCharacters(message).c_str());
}

std::string SystemLog::defaultProgramName() { return program_invocation_short_name; }

SystemLog::Sink SystemLog::fileDescriptorSink(int fd) {
    return [fd](const std::string& line) {
        std::lock_guard lock(lineMutex());
        writeAll(fd, line);  // a log that cannot be written is not worth failing the run for
    };
}

namespace system_log {

std::string escapeControlCharacters(std::string_view message) {
    std::string escaped;
    escaped.reserve(message.size());
    for (char c : message) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\n') {
            escaped += "\\n";
        } else if (byte == '\r') {
            escaped += "\\r";
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string formatLine(std::chrono::system_clock::time_point time, std::string_view programName,
                       long processId, std::string_view message) {
    using namespace std::chrono;
    auto sinceEpoch = time.time_since_epoch();
    auto wholeSeconds = floor<seconds>(sinceEpoch);
    auto milliseconds = duration_cast<std::chrono::milliseconds>(sinceEpoch - wholeSeconds);
    time_t seconds = static_cast<time_t>(wholeSeconds.count());
    struct tm local {};
    ::localtime_r(&seconds, &local);

    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(milliseconds.count()));
    std::string line = stamp;
    line += ' ';
    line += programName;
    line += '[';
    line += std::to_string(processId);
    line += "] ";
    line += escapeControlCharacters(message);
    return line;
}

}  // namespace system_log

}  // namespace quillmere
