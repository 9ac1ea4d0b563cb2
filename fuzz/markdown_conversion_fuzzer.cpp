// The Markdown converter on any HTML: it must end, within its budget, on every input, and what it
// writes must be valid UTF-8 whenever its input was.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/markdown_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    const markdown::Budget budget;
    const markdown::Conversion converted = markdown::fromHtml(html, budget);
    if (converted.markdown.size() > budget.maxOutputBytes(size)) std::abort();
    if (converted.fault && !converted.markdown.empty()) std::abort();
    return 0;
}
