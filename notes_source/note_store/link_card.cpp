#include "notes_source/note_store/link_card.h"

#include "notes_source/note_store/note_body.h"
#include "platform/links/link_scanner.h"

namespace quillmere::note_store {

std::string linkCardHtml(const std::string& url) {
    const Text address = text::fromUtf8(url);
    Text link;
    if (!isSafeLinkTarget(address)) {
        appendEscaped(link, address);
        return text::toUtf8(link);
    }
    appendEscaped(link, address, true);
    std::string html = "<a href=\"" + text::toUtf8(link) + "\">";
    link.clear();
    appendEscaped(link, text::fromUtf8(url));
    html += text::toUtf8(link) + "</a>";
    return html;
}

}  // namespace quillmere::note_store
