// The Notes database's note and table decoders on any bytes (gzipped here, as the database
// stores them): a body or one fault, never a crash, and one U+FFFC for each named attachment.
// The first byte chooses the decoder: odd for a table, even for a note. The seeds include small
// inputs that expand without a budget (a link over many paragraphs, many references to one
// table, a table of shared cells, a table whose direction names itself).

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_table.h"

namespace {

using namespace quillmere;
using fuzz::gzip;
using note_store::AttachmentView;

// Every kind of attachment, chosen by the identifier the note names; a table is decoded from
// the identifier's own bytes.
AttachmentView resolve(const std::string& identifier, const std::string&) {
    switch (identifier.empty() ? 0 : static_cast<unsigned char>(identifier[0]) % 4) {
        case 0:
            return {AttachmentView::Kind::file, "", "name"};
        case 1:
            return {AttachmentView::Kind::inline_, "#<tag>", ""};
        case 2: {
            std::string fault;
            auto table = note_store::readTable(gzip(identifier), fault);
            return {AttachmentView::Kind::html, table.value_or(""), ""};
        }
        default:
            return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string stored = gzip(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    if (data[0] & 1) {
        std::string fault;
        auto table = note_store::readTable(stored, fault);
        if (!table == fault.empty()) std::abort();
        return 0;
    }
    const auto body = note_store::readNoteBody(stored, resolve);
    if (body.fault && !body.html.empty()) std::abort();
    // No input expands beyond its note's budget: the text is at most the input.
    if (body.html.size() > note_store::kBaseHtmlUnits + note_store::kHtmlUnitsPerTextUnit * size) {
        std::abort();
    }
    std::size_t marks = 0;
    for (char16_t unit : body.html) marks += unit == u'\uFFFC';
    if (marks != body.attachmentNames.size()) std::abort();
    return 0;
}
