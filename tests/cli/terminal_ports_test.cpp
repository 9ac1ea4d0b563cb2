// The pieces of the command on their own: its command line, the progress bar's text, and how
// the terminal shows lines, the status and alerts.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/command_line.h"
#include "cli/terminal_alerts.h"
#include "cli/terminal_progress_indicator.h"
#include "cli/terminal_status_line.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

// The options as one line, or the usage error's message.
std::string describe(const std::variant<command_line::Options, command_line::UsageError>& parsed) {
    if (const auto* error = std::get_if<command_line::UsageError>(&parsed)) return error->message;
    const auto& o = std::get<command_line::Options>(parsed);
    return "library=" + o.libraryPath.value_or("-") +
           " heading=" + (o.useHeading ? std::to_string(*o.useHeading) : "-") +
           " open=" + std::to_string(o.open) + " quiet=" + std::to_string(o.quiet) +
           " help=" + std::to_string(o.help) + " version=" + std::to_string(o.version) +
           (o.passwordFile ? " passwordFile=" + *o.passwordFile : "") +
           (o.askPassword ? " ask" : "") + (o.format ? " format=" + *o.format : "") +
           (o.outputPath ? " output=" + *o.outputPath : "") + (o.verbose ? " verbose=1" : "") +
           (o.skipDeleted ? " skip-deleted=1" : "");
}

TEST(CommandLine, ParsesEveryOptionAndNamesWhatIsWrong) {
    const struct {
        std::vector<std::string> arguments;
        std::string expected;
    } rows[] = {
        {{"--library", "a b.json"}, "library=a b.json heading=- open=1 quiet=0 help=0 version=0"},
        {{"--library=--x.json"}, "library=--x.json heading=- open=1 quiet=0 help=0 version=0"},
        {{"--library", "--quiet"}, "library=--quiet heading=- open=1 quiet=0 help=0 version=0"},
        {{"--heading", "--heading"}, "library=- heading=1 open=1 quiet=0 help=0 version=0"},
        {{"--no-heading"}, "library=- heading=0 open=1 quiet=0 help=0 version=0"},
        {{"--no-open", "--quiet"}, "library=- heading=- open=0 quiet=1 help=0 version=0"},
        {{"-h"}, "library=- heading=- open=1 quiet=0 help=1 version=0"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"notes.json"}, "unexpected argument notes.json"},
        {{"--library"}, "--library needs a path"},
        {{"--library="}, "--library needs a path"},
        {{"--library", "a", "--library=b"}, "--library is given more than once"},
        {{"--heading", "--no-heading"}, "--heading and --no-heading exclude each other"},
        {{"--help", "--bogus"}, "unknown option --bogus"},
        {{"--password-file", "p w", "--ask-password"},
         "library=- heading=- open=1 quiet=0 help=0 version=0 passwordFile=p w ask"},
        {{"--password-file=-x"},
         "library=- heading=- open=1 quiet=0 help=0 version=0 passwordFile=-x"},
        {{"--format", "markdown"},
         "library=- heading=- open=1 quiet=0 help=0 version=0 format=markdown"},
        {{"--format=html"}, "library=- heading=- open=1 quiet=0 help=0 version=0 format=html"},
        {{"--format", "md"}, "--format needs html or markdown, not \"md\""},
        {{"--format"}, "--format needs html or markdown"},
        {{"--format=html", "--format=html"}, "--format is given more than once"},
        {{"--password-file"}, "--password-file needs a file"},
        {{"--password-file="}, "--password-file needs a file"},
        {{"--password-file", "a", "--password-file=b"}, "--password-file is given more than once"},
        {{"--output", "out", "--verbose", "--skip-deleted"},
         "library=- heading=- open=1 quiet=0 help=0 version=0 output=out verbose=1 skip-deleted=1"},
        {{"--output=--x", "--library", "l"},
         "library=l heading=- open=1 quiet=0 help=0 version=0 output=--x"},
        {{"--output"}, "--output needs a path"},
        {{"--output=a", "--output", "b"}, "--output is given more than once"},
        {{"--outputs"}, "unknown option --outputs"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(describe(command_line::parse(row.arguments)), row.expected);
    }
}

TEST(ProgressBar, ShowsTheBarCountTotalAndRate) {
    struct Row {
        double value, maxValue, seconds;
        int width;
        std::string expected;
    };
    const Row rows[] = {
        {0, 40, 0, 10, "[>         ] 0/40  0.0 notes/s"},
        {10, 40, 4, 10, "[==>       ] 10/40  2.5 notes/s"},
        {39, 40, 2, 10, "[=========>] 39/40  19.5 notes/s"},
        {40, 40, 8, 10, "[==========] 40/40  5.0 notes/s"},
        {45, 40, 9, 10, "[==========] 45/40  5.0 notes/s"},  // beyond the total
        {0, 0, 1, 4, "[====] 0/0  0.0 notes/s"},             // no notes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(progress_bar::render(row.value, row.maxValue, row.seconds, row.width),
                  row.expected);
    }
}

// Standard error stand-in: a file that the status line writes to.
class StatusLineFile {
public:
    StatusLineFile() : fd_(::open((env_.root() / "err").c_str(), O_WRONLY | O_CREAT, 0600)) {}
    ~StatusLineFile() { ::close(fd_); }
    int fd() const { return fd_; }
    std::string written() const { return test::readFile(env_.root() / "err"); }

private:
    test::PrivateEnvironment env_;
    int fd_;
};

TEST(TerminalStatusLine, LinesGoAboveTheStatusWhichIsRedrawnOnlyOnATerminal) {
    for (bool terminal : {true, false}) {
        SCOPED_TRACE(terminal);
        StatusLineFile file;
        TerminalStatusLine line(file.fd(), terminal);
        line.setStatus("[>   ] 0/3");
        line.printLine("a log line");
        line.clearStatus();
        line.printLine("after\n");
        EXPECT_EQ(file.written(), terminal ? "\r\x1b[K[>   ] 0/3"
                                             "\r\x1b[Ka log line\n[>   ] 0/3"
                                             "\r\x1b[Kafter\n"
                                           : "a log line\nafter\n");
    }
}

TEST(TerminalAlerts, MessageAndInformativeTextOnOneLineEach) {
    StatusLineFile file;
    TerminalAlerts alerts(std::make_shared<TerminalStatusLine>(file.fd(), false));
    alerts.runModal(Alert{"Could not find Notes.app", "Could not find Notes application."});
    alerts.runModal(Alert{"The folder\nname", ""});
    EXPECT_EQ(file.written(),
              "Could not find Notes.app\nCould not find Notes application.\nThe folder\\nname\n");
}

}  // namespace
}  // namespace quillmere
