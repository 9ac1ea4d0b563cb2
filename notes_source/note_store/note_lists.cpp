#include "notes_source/note_store/note_lists.h"

namespace quillmere::note_store {

namespace {

void append(Text& out, std::string_view ascii) { out.append(ascii.begin(), ascii.end()); }

}  // namespace

void ListWriter::item(ListKind kind, std::size_t indent, bool done, TextView content) {
    const Element element = kind == ListKind::numbered ? Element::numbered
                            : kind == ListKind::dashed ? Element::dashed
                                                       : Element::plain;
    const std::size_t depth = indent + 1;
    closeTo(depth);
    if (open_.size() == depth && open_.back().element != element) closeTo(depth - 1);
    if (open_.size() == depth && open_.back().itemOpen) {
        append(out_, "</li>\n");
        open_.back().itemOpen = false;
    }
    while (open_.size() < depth) {
        if (!open_.empty()) {
            // A list deeper than the one before it, with no item to hold it, gets an item of its
            // own that shows no marker.
            if (!open_.back().itemOpen) append(out_, "<li style=\"list-style-type: none\">");
            open_.back().itemOpen = true;
            if (out_.back() != u'\n') append(out_, "\n");  // after the item's own content
        }
        append(out_, element == Element::numbered ? "<ol>\n"
                     : element == Element::dashed ? "<ul class=\"Apple-dash-list\">\n"
                                                  : "<ul>\n");
        open_.push_back({element, false});
    }
    append(out_, "<li>");
    if (kind == ListKind::checklist) out_ += done ? u"\u2611 " : u"\u2610 ";
    out_ += content;
    open_.back().itemOpen = true;
}

void ListWriter::closeTo(std::size_t depth) {
    while (open_.size() > depth) {
        if (open_.back().itemOpen) append(out_, "</li>\n");
        append(out_, open_.back().element == Element::numbered ? "</ol>\n" : "</ul>\n");
        open_.pop_back();
    }
}

}  // namespace quillmere::note_store
