// The settings reader on any file content, and a value stored on top of it: the stored members
// are kept or the broken file is put aside, never a crash.

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/settings/user_defaults_store.h"

namespace {

const std::filesystem::path& scratchFile() {
    static const std::filesystem::path file = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "settings-fuzz-XXXXXX");
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        return std::filesystem::path(folder) / "settings.json";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    const auto& file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    UserDefaultsStore store(file);
    store.registerBool("useFirstParagraphAsHeading", true);
    store.boolForKey("useFirstParagraphAsHeading");
    store.stringForKey("notesLibraryPath");
    if (const auto error = store.lastError(); error && error->find('\n') != std::string::npos) {
        std::abort();
    }
    store.setString("notesLibraryPath", "/home/ann/Notes.json");
    if (store.stringForKey("notesLibraryPath") != "/home/ann/Notes.json") {
        std::abort();
    }
    std::error_code ignored;
    std::filesystem::remove(file.string() + ".invalid", ignored);
    return 0;
}
