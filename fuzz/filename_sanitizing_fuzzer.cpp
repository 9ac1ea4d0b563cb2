// File-name sanitizing, and the export's fitting of a name into the file system's 255 bytes:
// whatever the title, one file name of bounded length comes out.

#include <cstdlib>

#include "app/export_names.h"
#include "fuzz/fuzz_input.h"
#include "string_utils/path_utilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    const Text title = fuzz::toText(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text name = PathUtilities::stringByReplacingUnallowedFilenameCharacters(title);
    if (name.size() > 100 || name.find(u'/') != Text::npos) std::abort();
    const Text fitted = export_names::fittedBaseName(name, u"html");
    if (export_names::utf8Length(fitted) + 5 > 255) std::abort();
    return 0;
}
