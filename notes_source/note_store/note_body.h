#pragma once
// Turns the stored form of a Notes note (gzipped protocol buffer text with attribute runs) into
// the HTML that the Notes scripting interface answers as the note's body: one <div> per
// paragraph, <h1>/<h2>/<h3> for title, heading and subheading, <tt> for monospaced text,
// <b>, <i>, <u>, <strike>, <font color="#RRGGBB">, <a href>, lists as <ul>/<ol> with <li>, and
// each attachment in text order as its resolver says. Beyond what Notes answers, a deeper list
// sits inside the item before it, and a checklist item begins with "☐ " or "☑ " (see
// note_lists.h).
//
//   auto body = note_store::readNoteBody(zdata, resolver);
//   if (body.fault) log(name + ": " + *body.fault); else use(body.html, body.attachmentNames);
//
// The budget of one note, so that a small hostile note cannot take the run's memory or time (the
// largest real notes are a few MB of text and stay far below):
// - its data, and each table's, may expand by gunzip to at most kMaxDataBytes;
// - its HTML may hold at most kBaseHtmlUnits plus kHtmlUnitsPerTextUnit code units for each code
//   unit of its text; every copy of a table in it counts against this;
// - a table may have at most kMaxTableCells cells and kBaseHtmlUnits bytes of HTML, and its walk
//   may take at most kMaxTableSteps steps over its objects, each object visited once per search.
// A note over budget is not rendered: its fault says which limit it passed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/text.h"

namespace quillmere::note_store_proto {
class NoteText;
}

namespace quillmere::note_store {

// What stands in the body where an attachment is.
struct AttachmentView {
    enum class Kind {
        file,     // one U+FFFC, and `name` joins the note's attachments
        inline_,  // `text` as plain text (a hashtag, a mention)
        html,     // `text` as ready HTML (a table)
        none,     // nothing (an unknown or vanished attachment)
    };
    Kind kind = Kind::none;
    std::string text;  // UTF-8
    std::string name;  // UTF-8
};

// Resolves an attachment by its identifier and type (UTI), as the text refers to it.
using AttachmentResolver =
    std::function<AttachmentView(const std::string& identifier, const std::string& typeUti)>;

inline constexpr std::size_t kMaxDataBytes = std::size_t{1} << 28;
inline constexpr std::size_t kBaseHtmlUnits = std::size_t{1} << 24;
inline constexpr std::size_t kHtmlUnitsPerTextUnit = 32;
inline constexpr std::size_t kMaxTableCells = std::size_t{1} << 17;
inline constexpr std::size_t kMaxTableSteps = std::size_t{1} << 20;

// The HTML code units one note may still produce. Once spent, every later spend fails too.
class RenderBudget {
public:
    explicit RenderBudget(std::size_t units) : remaining_(units) {}
    // Takes `units`; false when they are not there (the budget is then spent).
    bool spend(std::size_t units) {
        if (exceeded_ || units > remaining_) {
            exceeded_ = true;
            remaining_ = 0;
            return false;
        }
        remaining_ -= units;
        return true;
    }
    bool exceeded() const { return exceeded_; }

private:
    std::size_t remaining_;
    bool exceeded_ = false;
};

struct NoteBody {
    Text html;
    std::vector<std::string> attachmentNames;  // the file attachments, in text order
    std::optional<std::string> fault;          // why the data could not be read; html is empty
};

// Inflates `data`, gzip or zlib (told apart by their headers), refusing anything that expands
// beyond `limit` bytes. std::nullopt with `fault` set when the data is neither or is damaged.
std::optional<std::string> gunzip(std::string_view data, std::string& fault,
                                  std::size_t limit = kMaxDataBytes);

// Reads ZICNOTEDATA.ZDATA: inflate, decode, render, within the note's budget. Data that is
// neither gzip nor zlib is taken as an uncompressed protocol buffer when it holds a note's text.
NoteBody readNoteBody(std::string_view storedData, const AttachmentResolver& resolve);

// Renders decoded note text (a note's or a table cell's). Attachment names are appended to
// `attachmentNames` when it is given. With a `budget`, what is written is spent from it, and
// rendering stops, the text cut short, when it runs out.
Text renderNoteText(const note_store_proto::NoteText& note, const AttachmentResolver& resolve,
                    std::vector<std::string>* attachmentNames, RenderBudget* budget = nullptr);

// Escapes &, < and > (and " for attribute values) for HTML, and drops U+FFFC, which in a body
// stands only for an attachment.
void appendEscaped(Text& out, TextView text, bool attribute = false);

}  // namespace quillmere::note_store
