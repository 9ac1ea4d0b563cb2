// The pieces of the command on their own: its command line, the progress bar's text, and what
// the terminal ports tell the command about a run.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/command_line.h"
#include "cli/terminal_alerts.h"
#include "cli/terminal_progress_indicator.h"
#include "cli/terminal_start_button.h"
#include "cli/terminal_status_line.h"
#include "cli/terminal_workspace.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

TEST(CommandLine, ParsesEveryOption) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        command_line::Options expected;
    };
    auto options = [](auto change) {
        command_line::Options o;
        change(o);
        return o;
    };
    const std::vector<Row> rows = {
        {"nothing", {}, {}},
        {"library", {"--library", "a b.json"}, options([](auto& o) {
             o.libraryPath = "a b.json";
         })},
        {"library_equals", {"--library=--x.json"}, options([](auto& o) {
             o.libraryPath = "--x.json";
         })},
        {"library_path_like_an_option", {"--library", "--quiet"}, options([](auto& o) {
             o.libraryPath = "--quiet";
         })},
        {"heading", {"--heading"}, options([](auto& o) { o.useHeading = true; })},
        {"no_heading_twice", {"--no-heading", "--no-heading"}, options([](auto& o) {
             o.useHeading = false;
         })},
        {"no_open_quiet", {"--no-open", "--quiet"}, options([](auto& o) {
             o.open = false;
             o.quiet = true;
         })},
        {"help_short", {"-h"}, options([](auto& o) { o.help = true; })},
        {"version", {"--version"}, options([](auto& o) { o.version = true; })},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto parsed = command_line::parse(row.arguments);
        ASSERT_TRUE(std::holds_alternative<command_line::Options>(parsed));
        const auto& got = std::get<command_line::Options>(parsed);
        EXPECT_EQ(got.libraryPath, row.expected.libraryPath);
        EXPECT_EQ(got.useHeading, row.expected.useHeading);
        EXPECT_EQ(got.open, row.expected.open);
        EXPECT_EQ(got.quiet, row.expected.quiet);
        EXPECT_EQ(got.help, row.expected.help);
        EXPECT_EQ(got.version, row.expected.version);
    }
}

TEST(ProgressBar, ShowsTheBarCountTotalAndRate) {
    struct Row {
        const char* name;
        double value, maxValue, seconds;
        int width;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"start", 0, 40, 0, 10, "[>         ] 0/40  0.0 notes/s"},
        {"a quarter", 10, 40, 4, 10, "[==>       ] 10/40  2.5 notes/s"},
        {"one short", 39, 40, 2, 10, "[=========>] 39/40  19.5 notes/s"},
        {"done", 40, 40, 8, 10, "[==========] 40/40  5.0 notes/s"},
        {"beyond the total", 45, 40, 9, 10, "[==========] 45/40  5.0 notes/s"},
        {"no notes", 0, 0, 1, 4, "[====] 0/0  0.0 notes/s"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(progress_bar::render(row.value, row.maxValue, row.seconds, row.width),
                  row.expected);
    }
}

// Standard error stand-in: a file the status line writes to.
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

TEST(TerminalStatusLine, LinesGoAboveTheStatusWhichIsRedrawn) {
    StatusLineFile file;
    TerminalStatusLine line(file.fd(), true);
    line.setStatus("[>   ] 0/3");
    line.printLine("a log line");
    line.clearStatus();
    line.printLine("after\n");
    EXPECT_EQ(file.written(),
              "\r\x1b[K[>   ] 0/3"
              "\r\x1b[Ka log line\n[>   ] 0/3"
              "\r\x1b[K"
              "after\n");
}

TEST(TerminalStatusLine, WithoutStatusOnlyLinesAreWritten) {
    StatusLineFile file;
    TerminalStatusLine line(file.fd(), false);
    line.setStatus("[>   ] 0/3");
    line.printLine("");
    line.printLine("a");
    line.clearStatus();
    EXPECT_EQ(file.written(), "\na\n");
}

TEST(TerminalAlerts, MessageAndInformativeTextOnOneLineEach) {
    StatusLineFile file;
    TerminalAlerts alerts(std::make_shared<TerminalStatusLine>(file.fd(), false));
    alerts.runModal(Alert{"Could not find Notes.app", "Could not find Notes application."});
    alerts.runModal(Alert{"The folder\nname", ""});
    EXPECT_EQ(alerts.count(), 2u);
    EXPECT_EQ(file.written(),
              "Could not find Notes.app\nCould not find Notes application.\nThe folder\\nname\n");
}

TEST(TerminalStartButton, TellsAStartedRunFromAFinishedOne) {
    int shownAgain = 0;
    TerminalStartButton button([&] { ++shownAgain; });
    button.setHidden(false);  // showing a visible button is no completion
    EXPECT_FALSE(button.runStarted());
    EXPECT_EQ(shownAgain, 0);

    button.setHidden(true);
    EXPECT_TRUE(button.runStarted());
    EXPECT_FALSE(button.runCompleted());
    EXPECT_TRUE(button.isHidden());

    button.setHidden(false);
    EXPECT_TRUE(button.runCompleted());
    EXPECT_EQ(shownAgain, 1);
}

TEST(TerminalProgressIndicator, RemembersWhetherItWasShown) {
    StatusLineFile file;
    TerminalProgressIndicator indicator(std::make_shared<TerminalStatusLine>(file.fd(), false));
    EXPECT_FALSE(indicator.wasShown());
    indicator.setHidden(false);
    indicator.setMaxValue(3);
    indicator.setDoubleValue(0);
    indicator.incrementBy(1);
    indicator.incrementBy(1);
    indicator.setHidden(true);
    EXPECT_TRUE(indicator.wasShown());
    EXPECT_EQ(indicator.doubleValue(), 2.0);
    EXPECT_EQ(indicator.maxValue(), 3.0);
    EXPECT_EQ(file.written(), "");  // not a terminal: no bar
}

class RecordingWorkspace : public Workspace {
public:
    explicit RecordingWorkspace(std::string accepts) : accepts_(std::move(accepts)) {}
    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>&,
                                         const std::string& identifier) override {
        asked.push_back(identifier);
        return identifier == accepts_;
    }
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>&,
                                            const std::string& rootPath) override {
        asked.push_back("viewer " + rootPath);
    }
    std::vector<std::string> asked;

private:
    std::string accepts_;
};

TEST(TerminalWorkspace, RemembersTheFolderAndPassesRequestsOn) {
    auto folder = FileURL::fileURLWithPath("/t/Imported from Notes", true);
    auto desktop = std::make_shared<RecordingWorkspace>("b");
    TerminalWorkspace workspace(desktop);
    EXPECT_FALSE(workspace.openURLsWithAppBundleIdentifier({folder}, "a"));
    EXPECT_TRUE(workspace.openURLsWithAppBundleIdentifier({folder}, "b"));
    EXPECT_EQ(desktop->asked, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(workspace.exportFolder(), "/t/Imported from Notes");
}

TEST(TerminalWorkspace, WithoutADesktopNothingIsOpened) {
    TerminalWorkspace workspace(nullptr);
    auto folder = FileURL::fileURLWithPath("/t/Imported from Notes", true);
    EXPECT_FALSE(workspace.openURLsWithAppBundleIdentifier({folder}, "com.quillmereapp.mac"));
    workspace.selectFileInFileViewerRootedAtPath(std::nullopt, "/t/Imported from Notes");
    EXPECT_EQ(workspace.exportFolder(), "/t/Imported from Notes");

    TerminalWorkspace viewerOnly(nullptr);
    viewerOnly.selectFileInFileViewerRootedAtPath(std::nullopt, "/u/Imported from Notes");
    EXPECT_EQ(viewerOnly.exportFolder(), "/u/Imported from Notes");
}

}  // namespace
}  // namespace quillmere
