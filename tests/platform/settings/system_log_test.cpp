#include "platform/settings/system_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

using namespace std::chrono;

TEST(SystemLog, FormatsLocalDateTimeProgramPidAndMessage) {
    const struct {
        const char* zone;
        system_clock::time_point time;
        std::string message;
        std::string expected;
    } rows[] = {
        {"UTC", sys_days(year(2026) / 12 / 6) + 10h + 15min + 2s + 123ms + 999us,
         "Mismatching parent ID", "2026-12-06 10:15:02.123 p[1234] Mismatching parent ID"},
        {"Europe/Berlin", sys_days(year(2026) / 7 / 1) + 10h, "m",
         "2026-07-01 12:00:00.000 p[1234] m"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        std::optional<test::PrivateEnvironment> env(std::in_place);
        env->set("TZ", row.zone);
        ::tzset();
        EXPECT_EQ(system_log::formatLine(row.time, "p", 1234, row.message), row.expected);
        env.reset();  // puts the old zone back
        ::tzset();
    }
}

TEST(SystemLog, ControlCharactersBecomeVisibleEscapes) {
    const struct {
        std::string message;
        std::string expected;
    } rows[] = {
        {"a\tb", "a\tb"},
        {"first\nsecond", "first\\nsecond"},
        {"a\rb", "a\\rb"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"a\x7f", "a\\x7f"},
        {"Crème brûlée 🥞", "Crème brûlée 🥞"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(system_log::escapeControlCharacters(row.message), row.expected);
    }
}

// Each message is one line, "YYYY-MM-DD HH:MM:SS.mmm program[pid] message", escaped, and lines
// from many threads never interleave.
TEST(SystemLog, WritesWholeEscapedLinesFromManyThreads) {
    test::PrivateEnvironment env;
    const auto path = env.root() / "log.txt";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    {
        SystemLog log("p", SystemLog::fileDescriptorSink(fd));
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 200; ++i) {
                    log.log(std::to_string(t) + "\n" + std::string(300, 'a' + t));
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    ::close(fd);
    std::istringstream in(test::readFile(path));
    int count = 0;
    const std::string program = " p[" + std::to_string(::getpid()) + "] ";
    for (std::string line; std::getline(in, line); ++count) {
        ASSERT_GT(line.size(), 23 + program.size()) << line;
        const char t = line[23 + program.size()];
        EXPECT_EQ(line.substr(23), program + t + "\\n" + std::string(300, 'a' + (t - '0')));
    }
    EXPECT_EQ(count, 800);
    EXPECT_EQ(SystemLog::defaultProgramName(), "platform_tests");
}

}  // namespace
}  // namespace quillmere
