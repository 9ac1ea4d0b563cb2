#pragma once
// Writes the list paragraphs of a note's HTML, one item at a time: a deeper list sits inside the
// item before it (<li>…<ul>…</ul></li>), a dashed list carries the class Notes gives it, and a
// checklist item shows its state as a tick at its start, so that any application shows it.
//
//   ListWriter lists(out);
//   lists.item(ListKind::checklist, 0, true, u"Milk");   // <ul>\n<li>☑ Milk
//   lists.item(ListKind::bulleted, 1, false, u"Cold");   // \n<ul>\n<li>Cold
//   lists.closeAll();                                    // </li>\n</ul>\n</li>\n</ul>\n

#include <cstddef>
#include <vector>

#include "platform/text/text.h"

namespace quillmere::note_store {

enum class ListKind { bulleted, dashed, numbered, checklist };

class ListWriter {
public:
    explicit ListWriter(Text& out) : out_(out) {}

    // Appends one item holding `content` (ready HTML) at `indent` (0 for an outer item, capped by
    // the caller), closing and opening lists as needed. `done` marks a checklist item ticked.
    void item(ListKind kind, std::size_t indent, bool done, TextView content);
    // Closes every open item and list. A paragraph that is no list item calls it first.
    void closeAll() { closeTo(0); }

private:
    // Bulleted lists and checklists share one list element; dashed and numbered lists have their
    // own.
    enum class Element { plain, dashed, numbered };
    struct OpenList {
        Element element;
        bool itemOpen;
    };
    void closeTo(std::size_t depth);

    Text& out_;
    std::vector<OpenList> open_;
};

}  // namespace quillmere::note_store
