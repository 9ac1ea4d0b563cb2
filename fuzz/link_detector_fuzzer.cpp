// The link detector on any text: ranges inside the text, ascending, apart, never splitting a
// surrogate pair, holding no markup character, and never a link whose scheme runs code.

#include <unicode/utf16.h>

#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/links/link_scanner.h"

namespace {

bool startsWithCaseless(const quillmere::Text& text, std::uint64_t at, std::u16string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char16_t c = text[at + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != word[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    static const LinkScanner detector;
    const Text text = fuzz::toText(std::string_view(reinterpret_cast<const char*>(data), size));
    std::uint64_t previousEnd = 0;
    for (const Range link : detector.matchesInString(text)) {
        if (link.length == 0 || link.location < previousEnd || link.end() > text.size()) {
            std::abort();
        }
        if ((link.location > 0 && U16_IS_TRAIL(text[link.location]) &&
             U16_IS_LEAD(text[link.location - 1])) ||
            (link.end() < text.size() && U16_IS_TRAIL(text[link.end()]) &&
             U16_IS_LEAD(text[link.end() - 1]))) {
            std::abort();
        }
        if (std::u16string_view(text).substr(link.location, link.length).find_first_of(u"<> \"") !=
            std::u16string_view::npos) {
            std::abort();
        }
        for (std::u16string_view scheme : {u"javascript:", u"vbscript:", u"data:", u"file:"}) {
            if (startsWithCaseless(text, link.location, scheme)) std::abort();
        }
        previousEnd = link.end();
    }
    return 0;
}
