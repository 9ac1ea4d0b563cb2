#include "cli/terminal_password_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/file_io.h"
#include "platform/settings/system_log.h"

namespace quillmere {

namespace {

constexpr std::uint64_t kMaxPasswordFile = std::uint64_t{1} << 20;
constexpr std::size_t kMaxPasswordLine = 4096;

}  // namespace

std::optional<std::vector<SecureBytes>> readPasswordFile(const std::string& path,
                                                         std::string& problem) {
    FileRead read = readRegularFile(path, kMaxPasswordFile);
    if (read.problem) {
        problem = *read.problem;
        cleanseString(read.bytes);
        return std::nullopt;
    }
    std::vector<SecureBytes> passwords;
    std::size_t begin = 0;
    while (begin < read.bytes.size()) {
        std::size_t end = read.bytes.find('\n', begin);
        if (end == std::string::npos) end = read.bytes.size();
        std::size_t last = end;
        if (last > begin && read.bytes[last - 1] == '\r') --last;
        if (last > begin) {
            passwords.push_back(
                secureBytesOf(std::string_view(read.bytes).substr(begin, last - begin)));
        }
        begin = end + 1;
    }
    cleanseString(read.bytes);
    return passwords;
}

std::optional<SecureBytes> readPasswordLine(int in, int out, const std::string& prompt) {
    writeAll(out, prompt);  // a terminal that is gone is no reason to stop
    termios saved{};
    const bool terminal = ::tcgetattr(in, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(in, TCSAFLUSH, &quiet);
    }
    SecureBytes line;
    line.reserve(kMaxPasswordLine);  // no reallocation leaves a copy behind
    bool ended = false;
    while (true) {
        char c;
        const ssize_t n = ::read(in, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\n') {
            ended = true;
            break;
        }
        if (line.size() < kMaxPasswordLine) line.push_back(static_cast<std::uint8_t>(c));
    }
    if (terminal) ::tcsetattr(in, TCSAFLUSH, &saved);
    if (!ended) writeAll(out, "\n");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return std::nullopt;
    return line;
}

std::string TerminalPasswordPrompt::question(const PasswordRequest& request) {
    std::string text = "Password for the locked note \"" +
                       system_log::escapeControlCharacters(request.itemName) + "\"";
    if (!request.hint.empty()) {
        text += " (hint: " + system_log::escapeControlCharacters(request.hint) + ")";
    }
    return text + ", or Enter to skip the locked notes: ";
}

std::optional<SecureBytes> TerminalPasswordPrompt::askPassword(const PasswordRequest& request) {
    std::optional<SecureBytes> answer;
    mainQueue_->sync([&] {
        const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (tty < 0) return;
        if (statusLine_) statusLine_->clearStatus();
        answer = readPasswordLine(tty, tty, question(request));
        ::close(tty);
    });
    return answer;
}

}  // namespace quillmere
