// The Notes database's note and table decoders on any bytes (gzipped here, as the database
// stores them): a body or one fault, never a crash, and one U+FFFC for each named attachment.
// The first byte chooses the decoder: odd for a table, even for a note.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_table.h"

namespace {

using namespace quillmere;
using note_store::AttachmentView;

std::string gzip(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

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
    std::size_t marks = 0;
    for (char16_t unit : body.html) marks += unit == u'\uFFFC';
    if (marks != body.attachmentNames.size()) std::abort();
    return 0;
}
