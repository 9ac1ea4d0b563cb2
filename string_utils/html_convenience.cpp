#include "string_utils/html_convenience.h"

namespace quillmere::HTMLConvenience {

// This is the meaning of the expression "(<[^>]+>)|(&[^;]+;)", found in one pass instead of by
// a backtracking search, which takes quadratic time on a long run of "<" without a ">". An
// opener whose next character is not the closer is followed by at least one non-closer, so the
// first closer anywhere after it completes a match; an opener directly followed by its closer
// can never start one.
bool containsHTML(const Text& string) {
    bool openTag = false;
    bool openEntity = false;
    const std::size_t length = string.size();
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = string[i];
        const bool hasNext = i + 1 < length;
        switch (c) {
            case u'<':
                openTag = openTag || (hasNext && string[i + 1] != u'>');
                break;
            case u'>':
                if (openTag) {
                    return true;
                }
                break;
            case u'&':
                openEntity = openEntity || (hasNext && string[i + 1] != u';');
                break;
            case u';':
                if (openEntity) {
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

}  // namespace quillmere::HTMLConvenience
