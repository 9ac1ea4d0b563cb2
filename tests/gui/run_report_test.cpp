#include "gui/run_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/private_environment.h"

namespace quillmere::gui {
namespace {

namespace fs = std::filesystem;

// The notes counted are those handled or planned, whichever is more: the bar's value can pass its
// maximum when the walk meets more notes than it counted first.
TEST(RunReport, CountsTheFilesWrittenAndTheNotesThatGotNone) {
    const struct {
        const char* name;
        int files;
        double handled;
        double planned;
        bool openedInQuillmere;
        std::string text;  // after the folder's path
    } rows[] = {
        {"one_note", 1, 1, 1, false,
         "1 note written, 0 skipped, in F. Passed to the file manager."},
        {"fewer_planned_than_handled", 1, 3, 2, true,
         "1 note written, 2 skipped, in F. Handed to "
         "Quillmere."},
        {"fewer_handled_than_planned", 2, 1, 3, false,
         "2 notes written, 1 skipped, in F. Passed to the file manager."},
        {"none_written", 0, 0, 0, false,
         "0 notes written, 0 skipped, in F. Passed to the file manager."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        const fs::path folder = env.root() / "Imported from Notes";
        for (int i = 0; i < row.files; ++i) {
            test::writeFile(folder / "Folder" / (std::to_string(i) + ".html"), "<p>x</p>");
        }
        const auto report = RunReport::afterRun(HandOver{folder.string(), row.openedInQuillmere},
                                                row.handled, row.planned);
        std::string expected = row.text;
        expected.replace(expected.find(" F."), 3, " " + folder.string() + ".");
        EXPECT_EQ(report.text(), expected);
    }
}

}  // namespace
}  // namespace quillmere::gui
