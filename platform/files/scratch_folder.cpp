#include "platform/files/scratch_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/files/temporary_directory.h"

namespace quillmere {

std::unique_ptr<ScratchFolder> ScratchFolder::make(const std::string& prefix,
                                                   std::initializer_list<const char*> names,
                                                   Error* error) {
    auto base = preparePrivateTemporaryDirectory(error);
    if (!base) return nullptr;
    std::string pattern = *base + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        if (error) {
            *error = Error{
                "Cannot make a temporary folder in " + *base + " (" + std::strerror(errno) + ").",
                {}};
        }
        return nullptr;
    }
    std::unique_ptr<ScratchFolder> folder(new ScratchFolder(pattern, names));
    if (!folder->guard_.registered()) {
        if (error) *error = Error{"Too many temporary folders are in use.", {}};
        return nullptr;  // the destructor removes it
    }
    return folder;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace quillmere
