#include "notes_source/source_files.h"

#include <string_view>

namespace quillmere {

bool isPlainRelativePath(const std::string& relativePath) {
    if (relativePath.empty() || relativePath.find('\0') != std::string::npos) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = relativePath.find('/', start);
        const std::string_view component(
            relativePath.data() + start,
            (end == std::string::npos ? relativePath.size() : end) - start);
        if (component.empty() || component == "." || component == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

}  // namespace quillmere
