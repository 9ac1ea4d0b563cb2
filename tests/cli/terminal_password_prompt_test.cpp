// The command's passwords: the password file, one line read from a terminal (here a pipe), and
// the question that shows the hint.

#include "cli/terminal_password_prompt.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

std::vector<std::string> strings(const std::vector<SecureBytes>& passwords) {
    std::vector<std::string> out;
    for (const auto& password : passwords) out.emplace_back(password.begin(), password.end());
    return out;
}

TEST(PasswordFile, OneWholePasswordALineWithoutItsLineEnd) {
    test::PrivateEnvironment env;
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> passwords;
    } rows[] = {
        {"lines", "first\nsecond\n", {"first", "second"}},
        {"spaces_kept", " two words \n", {" two words "}},
        {"crlf_and_no_last_end", "a\r\nb", {"a", "b"}},
        {"empty_lines_skipped", "\n\nx\n\r\n", {"x"}},
        {"utf8", "caf\xC3\xA9\n", {"caf\xC3\xA9"}},
    };
    for (const auto& row : rows) {
        const auto path = env.root() / row.name;
        test::writeFile(path, row.bytes);
        std::string problem;
        auto passwords = readPasswordFile(path.string(), problem);
        EXPECT_TRUE(passwords) << row.name << ": " << problem;
        if (!passwords) continue;
        EXPECT_EQ(strings(*passwords), row.passwords) << row.name;
    }
    std::string problem;
    EXPECT_FALSE(readPasswordFile((env.root() / "absent").string(), problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_FALSE(readPasswordFile(env.root().string(), problem));  // a directory
}

TEST(PasswordLine, ReadsOneLineAndAnEmptyOneDeclines) {
    const struct {
        const char* name;
        std::string typed;
        std::optional<std::string> password;
    } rows[] = {
        {"line", "secret words\nnext\n", "secret words"},
        {"crlf", "x\r\n", "x"},
        {"end_of_input", "last", "last"},
        {"empty_line", "\nlater\n", std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const auto& row : rows) {
        int input[2], output[2];
        ASSERT_EQ(::pipe(input), 0);
        ASSERT_EQ(::pipe(output), 0);
        ASSERT_EQ(::write(input[1], row.typed.data(), row.typed.size()),
                  static_cast<ssize_t>(row.typed.size()));
        ::close(input[1]);
        auto line = readPasswordLine(input[0], output[1], "Password: ");
        ::close(output[1]);
        char shown[64] = {};
        const ssize_t n = ::read(output[0], shown, sizeof shown);
        ::close(input[0]);
        ::close(output[0]);
        EXPECT_EQ(line ? std::optional<std::string>(std::string(line->begin(), line->end()))
                       : std::nullopt,
                  row.password)
            << row.name;
        // The prompt, and a line end only where the input gave none; never what was typed.
        const std::string expectedShown =
            row.typed.find('\n') == std::string::npos ? "Password: \n" : "Password: ";
        EXPECT_EQ(std::string(shown, n > 0 ? static_cast<std::size_t>(n) : 0), expectedShown)
            << row.name;
    }
}

TEST(TerminalPasswordPrompt, TheQuestionNamesTheNoteAndShowsItsHint) {
    EXPECT_EQ(TerminalPasswordPrompt::question({"Tax\x1b[2J", "cat's name"}),
              "Password for the locked note \"Tax\\x1b[2J\" (hint: cat's name), or Enter to skip "
              "the locked notes: ");
    EXPECT_EQ(TerminalPasswordPrompt::question({"Plans", ""}),
              "Password for the locked note \"Plans\", or Enter to skip the locked notes: ");
}

}  // namespace
}  // namespace quillmere
