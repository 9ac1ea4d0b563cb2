#pragma once
// How values appear in the diagnostic log's lines, as the platform's object description would
// print them: a text as itself, a missing value as "(null)".
//
//   log_format::describe(std::nullopt);           // "(null)"
//   log_format::describe(Text(u"x-coredata://")); // "x-coredata://"

#include <optional>
#include <string>

#include "platform/text/text.h"

namespace quillmere::log_format {

// `value` in UTF-8, unchanged.
std::string describe(const Text& value);
// `value` in UTF-8, or "(null)" when it is missing.
std::string describe(const std::optional<Text>& value);

}  // namespace quillmere::log_format
