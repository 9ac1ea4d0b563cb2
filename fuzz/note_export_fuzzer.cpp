// The note export's text transformation on any title, body and attachment names: paragraphs,
// heading, links, markup clean-up and attachment references. The input is split at 0x00 into
// the title, the body and attachment names; the heading is on when the title is odd in length.

#include "app/note_text.h"
#include "fuzz/fuzz_input.h"
#include "platform/links/link_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    static const LinkScanner links;
    const auto parts = fuzz::split(data, size);
    std::vector<Text> attachmentNames;
    for (std::size_t i = 2; i < parts.size(); ++i)
        attachmentNames.push_back(fuzz::toText(parts[i]));
    note_text::build(fuzz::toText(parts[0]), parts.size() > 1 ? fuzz::toText(parts[1]) : Text(),
                     attachmentNames, parts[0].size() % 2 == 1, &links);
    return 0;
}
