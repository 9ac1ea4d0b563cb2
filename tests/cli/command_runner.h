#pragma once
// Runs a program as a child process with exactly the environment given, and collects what it
// wrote and how it ended. Standard error can be a pseudo-terminal, to see what a user would see.
//
//   auto result = runProgram({"/bin/echo", "hi"}, {{"PATH", "/usr/bin:/bin"}});
//   EXPECT_EQ(result.out, "hi\n");

#include <map>
#include <string>
#include <vector>

namespace quillmere::test {

struct ProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;      // standard output
    std::string err;      // standard error (the terminal's output when it was one)

    // Standard error split into lines, without their line feeds.
    std::vector<std::string> errLines() const;
    // The last line of standard output, without its line feed.
    std::string lastOutLine() const;
};

enum class ErrorOutput { pipe, terminal };

ProgramResult runProgram(const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         ErrorOutput errorOutput = ErrorOutput::pipe);

}  // namespace quillmere::test
