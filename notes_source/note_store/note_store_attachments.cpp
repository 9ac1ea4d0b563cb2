#include "notes_source/note_store/link_card.h"
#include "notes_source/note_store/note_store_reader.h"
#include "notes_source/note_store/note_table.h"
#include "notes_source/note_store/sqlite_statement.h"

namespace quillmere::note_store {

AttachmentView Store::attachment(const std::string& identifier, const std::string& type,
                                 const std::string& noteTitle) {
    AttachmentView view;
    if (type.rfind("com.apple.notes.inlinetextattachment", 0) == 0) {
        Statement& query = prepared(inlineQuery_, "SELECT " + inlineText + " FROM " + kObjects +
                                                      " WHERE ZIDENTIFIER = ? AND Z_ENT = ?");
        query.bind(1, identifier).bind(2, inlineEntity);
        if (query.step() && !query.isNull(0)) {
            view.kind = AttachmentView::Kind::inline_;
            view.text = query.text(0);
        }
        return view;
    }
    Statement& query = prepared(
        attachmentQuery_, "SELECT a." + attachmentType + ", a." + attachmentMergeable + ", a." +
                              attachmentTitle + ", a." + attachmentUserTitle + ", a." +
                              attachmentUrl + ", m." + mediaFileName + " FROM " + kObjects +
                              " a LEFT JOIN " + kObjects + " m ON m.Z_PK = a." + attachmentMedia +
                              " WHERE a.ZIDENTIFIER = ? AND a.Z_ENT = ?");
    query.bind(1, identifier).bind(2, attachmentEntity);
    const bool found = query.step();
    const std::string storedType = found && !query.isNull(0) ? query.text(0) : type;
    if (storedType == "com.apple.notes.table") {
        if (!found || query.isNull(1)) return view;
        std::string fault;
        if (auto html = readTable(query.text(1), fault)) {
            view.kind = AttachmentView::Kind::html;
            view.text = std::move(*html);
        } else {
            this->fault("Note \"" + noteTitle + "\": a table cannot be read: " + fault);
        }
        return view;
    }
    if (storedType == "public.url" && found && !query.isNull(4)) {
        // A link card: the link itself says more than a file name would.
        view.kind = AttachmentView::Kind::html;
        view.text = linkCardHtml(query.text(4));
        return view;
    }
    view.kind = AttachmentView::Kind::file;
    for (int column : {5, 3, 2, 4}) {
        if (found && !query.isNull(column) && !query.text(column).empty()) {
            view.name = query.text(column);
            break;
        }
    }
    if (view.name.empty()) view.name = "Attachment";
    return view;
}

}  // namespace quillmere::note_store
