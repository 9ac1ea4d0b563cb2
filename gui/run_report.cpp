#include "gui/run_report.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace quillmere::gui {

namespace {

std::uint64_t filesBelow(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::uint64_t count = 0;
    std::error_code error;
    // Links are not followed: the run never makes any, and one planted there could loop.
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error)) ++count;
    }
    return count;
}

std::uint64_t wholeNotes(double value) {
    return std::isfinite(value) && value > 0.0 ? static_cast<std::uint64_t>(std::floor(value)) : 0;
}

std::string notes(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " note" : " notes");
}

}  // namespace

RunReport RunReport::afterRun(const HandOver& handOver, double handled, double planned) {
    RunReport report;
    report.handOver = handOver;
    report.written = filesBelow(handOver.folder);
    const std::uint64_t counted = std::max(wholeNotes(handled), wholeNotes(planned));
    report.skipped = counted > report.written ? counted - report.written : 0;
    return report;
}

std::string RunReport::text() const {
    return notes(written) + " written, " + std::to_string(skipped) + " skipped, in " +
           handOver.folder + ". " +
           (handOver.openedInQuillmere ? "Handed to Quillmere." : "Passed to the file manager.");
}

}  // namespace quillmere::gui
