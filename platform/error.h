#pragma once
// An error as the user sees it in an error alert.

#include <string>

namespace quillmere {

struct Error {
    std::string description;         // the alert's message text
    std::string recoverySuggestion;  // the alert's informative text; may be empty
};

}  // namespace quillmere
