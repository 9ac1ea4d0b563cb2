#include "app/log_format.h"

namespace quillmere::log_format {

std::string describe(const Text& value) { return text::toUtf8(value); }

std::string describe(const std::optional<Text>& value) {
    return value ? text::toUtf8(*value) : std::string("(null)");
}

}  // namespace quillmere::log_format
