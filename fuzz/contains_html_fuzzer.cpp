// containsHTML against the plainest reading of its rule: a "<" whose next ">" comes later but
// not at once, or the same for "&" and ";".

#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "string_utils/html_convenience.h"

namespace {

bool hasPair(const quillmere::Text& text, char16_t open, char16_t close) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != open) continue;
        const std::size_t next = text.find(close, i + 1);
        if (next != quillmere::Text::npos && next > i + 1) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quillmere::Text text =
        quillmere::fuzz::toText(std::string_view(reinterpret_cast<const char*>(data), size));
    const bool expected = hasPair(text, u'<', u'>') || hasPair(text, u'&', u';');
    if (quillmere::HTMLConvenience::containsHTML(text) != expected) std::abort();
    return 0;
}
