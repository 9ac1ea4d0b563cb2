#include "platform/system_log.h"

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

// Local time is read from TZ: each test pins it and puts the old zone back afterwards.
class SystemLogFormat : public ::testing::Test {
protected:
    void useTimeZone(const char* zone) {
        env_.emplace();
        env_->set("TZ", zone);
        ::tzset();
    }
    void TearDown() override {
        env_.reset();
        ::tzset();
    }

private:
    std::optional<test::PrivateEnvironment> env_;
};

TEST_F(SystemLogFormat, DateTimeProgramPidAndMessage) {
    useTimeZone("UTC");
    auto time = sys_days(year(2026) / 12 / 6) + hours(10) + minutes(15) + seconds(2) +
                milliseconds(123) + microseconds(999);
    EXPECT_EQ(system_log::formatLine(time, "quillmere-notes-import", 1234, "Mismatching parent ID"),
              "2026-12-06 10:15:02.123 quillmere-notes-import[1234] Mismatching parent ID");
    auto midnight = sys_days(year(2024) / 1 / 1);
    EXPECT_EQ(system_log::formatLine(midnight, "p", 7, ""), "2024-01-01 00:00:00.000 p[7] ");
}

TEST_F(SystemLogFormat, UsesLocalTime) {
    useTimeZone("Europe/Berlin");
    auto time = sys_days(year(2026) / 7 / 1) + hours(10);
    EXPECT_EQ(system_log::formatLine(time, "p", 1, "m"), "2026-07-01 12:00:00.000 p[1] m");
}

TEST(SystemLogEscapes, ControlCharactersBecomeVisibleEscapes) {
    struct Row {
        const char* name;
        std::string message;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"plain", "Note: Pancakes is empty", "Note: Pancakes is empty"},
        {"tab_stays", "a\tb", "a\tb"},
        {"line_feed", "first\nsecond", "first\\nsecond"},
        {"carriage_return", "a\rb", "a\\rb"},
        {"terminal_escape", "\x1b[31mred", "\\x1b[31mred"},
        {"nul", std::string("a\0b", 3), "a\\x00b"},
        {"delete", "a\x7f", "a\\x7f"},
        {"utf8_unchanged", "Crème brûlée 🥞", "Crème brûlée 🥞"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(system_log::escapeControlCharacters(row.message), row.expected);
    }
}

TEST(SystemLog, WritesOneLinePerMessageToItsSink) {
    std::vector<std::string> lines;
    SystemLog log("importer", [&lines](const std::string& line) { lines.push_back(line); });
    log.log("Empty container name provided for parent ID x-coredata://A1/ICAccount/p1");
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines[0];
    EXPECT_EQ(line.back(), '\n');
    std::string expectedTail = " importer[" + std::to_string(::getpid()) +
                               "] Empty container name provided for parent ID "
                               "x-coredata://A1/ICAccount/p1\n";
    ASSERT_GE(line.size(), expectedTail.size());
    EXPECT_EQ(line.substr(line.size() - expectedTail.size()), expectedTail);
    // "YYYY-MM-DD HH:MM:SS.mmm" in front.
    EXPECT_EQ(line.size() - expectedTail.size(), 23u);
}

TEST(SystemLog, LinesFromManyThreadsNeverInterleave) {
    test::PrivateEnvironment env;
    auto path = env.root() / "log.txt";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    {
        SystemLog log("p", SystemLog::fileDescriptorSink(fd));
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < 200; ++i) {
                    log.log("thread " + std::to_string(t) + " " + std::string(300, 'a' + t));
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    ::close(fd);
    std::istringstream in(test::readFile(path));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        ++count;
        auto marker = line.find("] thread ");
        ASSERT_NE(marker, std::string::npos) << line;
        char letter = static_cast<char>('a' + (line[marker + 9] - '0'));
        EXPECT_EQ(line.substr(line.size() - 300), std::string(300, letter));
    }
    EXPECT_EQ(count, 800);
}

TEST(SystemLog, DefaultProgramNameIsTheExecutablesName) {
    EXPECT_EQ(SystemLog::defaultProgramName(), "platform_tests");
}

}  // namespace
}  // namespace quillmere
