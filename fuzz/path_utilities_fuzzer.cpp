// The path utilities on hostile paths and names: standardizing, relating, abbreviating and
// choosing a free name. The input is split at 0x00 into a path, a base path and taken names.

#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "string_utils/home_abbreviation.h"
#include "string_utils/path_utilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    const auto parts = fuzz::split(data, size);
    const Text path = fuzz::toText(parts[0]);
    const Text base = parts.size() > 1 ? fuzz::toText(parts[1]) : Text(u"/home/u1");

    if (const auto standard = PathUtilities::stringByStandardizingVirtualPath(path)) {
        // Standardizing is idempotent and leaves no "." or ".." behind.
        if (PathUtilities::stringByStandardizingVirtualPath(*standard) != standard) std::abort();
    }
    if (const auto relative = PathUtilities::pathRelativeToBasePath(path, base)) {
        if (relative->size() > path.size()) std::abort();
    }
    PathUtilities::stringByAbbreviatingDirectoryInPath(path, base);

    std::vector<Text> taken;
    for (std::size_t i = 2; i < parts.size(); ++i) taken.push_back(fuzz::toText(parts[i]));
    const Text unique = PathUtilities::filenameForPrefererredName(
        path, parts.size() > 1 ? std::optional<Text>(base) : std::nullopt, taken);
    if (unique.empty() && !path.empty()) std::abort();
    return 0;
}
