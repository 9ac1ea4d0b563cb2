#include "notes_source/note_store/note_body.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>

#include "notes_source/note_store/note_lists.h"
#include "notes_source/note_store/note_store.pb.h"
#include "platform/links/link_scanner.h"

namespace quillmere::note_store {

namespace {

using note_store_proto::AttributeRun;
using note_store_proto::NoteText;

constexpr char16_t kAttachmentCharacter = u'\uFFFC';

enum ParagraphKind : int {
    kTitle = 0,
    kHeading = 1,
    kSubheading = 2,
    kMonospaced = 4,
    kBulleted = 100,
    kDashed = 101,
    kNumbered = 102,
    kChecklist = 103,
};

bool isListKind(int kind) { return kind >= kBulleted && kind <= kChecklist; }

ListKind listKind(int kind) {
    switch (kind) {
        case kDashed:
            return ListKind::dashed;
        case kNumbered:
            return ListKind::numbered;
        case kChecklist:
            return ListKind::checklist;
        default:
            return ListKind::bulleted;
    }
}

// A run's colour as "#RRGGBB", the way Notes writes coloured text; empty for a run without one.
// Each channel is a fraction of 1, clamped there (a hostile NaN counts as 0).
std::string colourOf(const AttributeRun& run) {
    if (!run.has_color()) return {};
    const auto channel = [](float value) {
        if (!(value > 0)) return 0L;
        return std::lround(std::min(value, 1.0f) * 255.0f);
    };
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02lX%02lX%02lX", channel(run.color().red()),
                  channel(run.color().green()), channel(run.color().blue()));
    return hex;
}

void append(Text& out, std::string_view ascii) { out.append(ascii.begin(), ascii.end()); }

// The inline formatting of a stretch of text; equal formats share one set of tags.
struct Format {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    int script = 0;  // above 0 superscript, below 0 subscript
    std::string link;
    std::string colour;  // "#RRGGBB" or empty

    static Format of(const AttributeRun* run) {
        Format format;
        if (run == nullptr) return format;
        const auto hints = run->font_hints();
        format.bold = hints == 1 || hints == 3;
        format.italic = hints == 2 || hints == 3;
        format.underline = run->underline() != 0;
        format.strikethrough = run->strikethrough() != 0;
        format.script = (run->superscript() > 0) - (run->superscript() < 0);
        // A stored link opens only what a detected one may: the text stays, the anchor goes.
        if (isSafeLinkTarget(text::fromUtf8(run->link()))) format.link = run->link();
        format.colour = colourOf(*run);
        return format;
    }
    bool operator==(const Format&) const = default;
};

// Collects one paragraph's inline HTML, opening and closing tags as the format changes.
// What it writes is spent from the budget, if any; once that runs out it writes nothing more.
class InlineWriter {
public:
    InlineWriter(Text& out, RenderBudget* budget) : out_(out), budget_(budget) {}

    void text(TextView text, const Format& format) {
        if (text.empty() || stopped()) return;
        const std::size_t before = out_.size();
        if (!(format == current_)) {
            close();
            open(format);
        }
        appendEscaped(out_, text);
        lastWasBlock_ = false;
        empty_ = false;
        spend(before);
    }
    // Ready HTML or the attachment character, outside any inline tags.
    void block(TextView html) {
        if (stopped()) return;
        const std::size_t before = out_.size();
        close();
        if (budget_ && !budget_->spend(html.size())) return;
        out_ += html;
        lastWasBlock_ = true;
        empty_ = false;
        spend(before + html.size());
    }
    void finish() { close(); }
    bool stopped() const { return budget_ && budget_->exceeded(); }
    bool empty() const { return empty_; }
    bool endsWithBlock() const { return lastWasBlock_; }

private:
    void spend(std::size_t from) {
        if (budget_) budget_->spend(out_.size() - from);
    }
    void open(const Format& format) {
        if (!format.link.empty()) {
            append(out_, "<a href=\"");
            appendEscaped(out_, text::fromUtf8(format.link), true);
            append(out_, "\">");
        }
        if (!format.colour.empty()) append(out_, "<font color=\"" + format.colour + "\">");
        if (format.bold) append(out_, "<b>");
        if (format.italic) append(out_, "<i>");
        if (format.underline) append(out_, "<u>");
        if (format.strikethrough) append(out_, "<strike>");
        if (format.script != 0) append(out_, format.script > 0 ? "<sup>" : "<sub>");
        current_ = format;
    }
    void close() {
        if (current_.script != 0) append(out_, current_.script > 0 ? "</sup>" : "</sub>");
        if (current_.strikethrough) append(out_, "</strike>");
        if (current_.underline) append(out_, "</u>");
        if (current_.italic) append(out_, "</i>");
        if (current_.bold) append(out_, "</b>");
        if (!current_.colour.empty()) append(out_, "</font>");
        if (!current_.link.empty()) append(out_, "</a>");
        current_ = Format{};
    }

    Text& out_;
    RenderBudget* budget_;
    Format current_;
    bool lastWasBlock_ = false;
    bool empty_ = true;
};

// Which run covers each position: runs in order, lengths in UTF-16 code units.
class RunIndex {
public:
    RunIndex(const NoteText& note, std::size_t textLength) {
        std::size_t position = 0;
        for (const auto& run : note.run()) {
            if (position >= textLength) break;
            const std::size_t end =
                std::min<std::size_t>(textLength, position + std::size_t{run.length()});
            if (end > position) spans_.push_back({position, end, &run});
            position = end;
        }
        if (position < textLength) spans_.push_back({position, textLength, nullptr});
    }
    // The run at `position` and where it ends.
    std::pair<const AttributeRun*, std::size_t> at(std::size_t position) const {
        auto it = std::upper_bound(spans_.begin(), spans_.end(), position,
                                   [](std::size_t p, const Span& span) { return p < span.begin; });
        if (it == spans_.begin()) return {nullptr, position + 1};
        --it;
        return {it->run, it->end};
    }

private:
    struct Span {
        std::size_t begin;
        std::size_t end;
        const AttributeRun* run;
    };
    std::vector<Span> spans_;
};

int paragraphKind(const AttributeRun* run) {
    if (run == nullptr || !run->has_paragraph_style()) return -1;
    return run->paragraph_style().style();
}

bool isQuoted(const AttributeRun* run) {
    return run != nullptr && run->has_paragraph_style() &&
           run->paragraph_style().block_quote() != 0;
}

int paragraphIndent(const AttributeRun* run) {
    if (run == nullptr || !run->has_paragraph_style()) return 0;
    return std::clamp(run->paragraph_style().indent(), 0, 50);
}

// Writes the paragraph [begin, end) of `text`, without its line feed, into `out`; `marked`
// tells whether an attachment character is in it at all.
void writeInline(Text& out, const Text& text, std::size_t begin, std::size_t end, bool marked,
                 const RunIndex& runs, const AttachmentResolver& resolve,
                 std::vector<std::string>* attachmentNames, InlineWriter& writer) {
    std::size_t position = begin;
    while (position < end && !writer.stopped()) {
        auto [run, runEnd] = runs.at(position);
        const std::size_t stop = std::min(runEnd, end);
        const Format format = Format::of(run);
        std::size_t from = position;
        // Searched up to the run's end only: a note of many runs stays linear.
        const TextView upToStop = TextView(text).substr(0, stop);
        for (std::size_t i = marked ? text::findUnit(upToStop, position, kAttachmentCharacter)
                                    : stop;
             i < stop && !writer.stopped();
             i = text::findUnit(upToStop, i + 1, kAttachmentCharacter)) {
            writer.text(TextView(text).substr(from, i - from), format);
            from = i + 1;
            if (run == nullptr || !run->has_attachment()) continue;  // a stray mark: dropped
            const AttachmentView view =
                resolve ? resolve(run->attachment().identifier(), run->attachment().type_uti())
                        : AttachmentView{};
            switch (view.kind) {
                case AttachmentView::Kind::file:
                    writer.block(Text(1, kAttachmentCharacter));
                    if (attachmentNames) attachmentNames->push_back(view.name);
                    break;
                case AttachmentView::Kind::inline_:
                    writer.text(text::fromUtf8(view.text), format);
                    break;
                case AttachmentView::Kind::html:
                    writer.block(text::fromUtf8(view.text));
                    break;
                case AttachmentView::Kind::none:
                    break;
            }
        }
        writer.text(TextView(text).substr(from, stop - from), format);
        position = stop;
    }
    (void)out;
}

// Whether `data` opens as gzip or as zlib.
bool isCompressed(std::string_view data) {
    if (data.size() < 2) return false;
    const auto first = static_cast<unsigned char>(data[0]);
    const auto second = static_cast<unsigned char>(data[1]);
    const bool gzip = first == 0x1F && second == 0x8B;
    // Deflate with a window of at most 32 KiB, and the header's own check.
    const bool zlib = (first & 0x0F) == 8 && (first >> 4) <= 7 && (first * 256 + second) % 31 == 0;
    return gzip || zlib;
}

}  // namespace

void appendEscaped(Text& out, TextView text, bool attribute) {
    static constexpr char16_t kMarked[] = {kAttachmentCharacter, u'&', u'<', u'>', u'"'};
    // The quote needs escaping only inside an attribute.
    const TextView marked(kMarked, attribute ? 5 : 4);
    std::size_t from = 0;
    for (std::size_t i = text::findAnyOf(text, 0, marked); i < text.size();
         i = text::findAnyOf(text, i + 1, marked)) {
        out.append(text.data() + from, i - from);
        switch (text[i]) {
            case u'&':
                append(out, "&amp;");
                break;
            case u'<':
                append(out, "&lt;");
                break;
            case u'>':
                append(out, "&gt;");
                break;
            case u'"':
                append(out, "&quot;");
                break;
            default:
                break;  // an attachment character: only an attachment may stand as one
        }
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
}

std::optional<std::string> gunzip(std::string_view data, std::string& fault, std::size_t limit) {
    if (!isCompressed(data)) {
        fault = "the note data is neither gzip nor zlib";
        return std::nullopt;
    }
    z_stream stream{};
    // 32 added to the window bits: zlib tells gzip and zlib apart by their headers.
    if (inflateInit2(&stream, 15 + 32) != Z_OK) {
        fault = "cannot start gunzip";
        return std::nullopt;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    // Inflated straight into the result, which starts at what notes compress to and doubles.
    std::string out(std::min(limit, 8 * data.size()) + 1, '\0');
    std::size_t produced = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (produced == out.size()) out.resize(std::min(limit + 1, 2 * out.size()));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        const std::size_t room = std::min<std::size_t>(out.size() - produced, 1u << 30);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) break;
        produced += room - stream.avail_out;
        if (produced > limit) {
            status = Z_MEM_ERROR;
            break;
        }
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            status = Z_BUF_ERROR;  // the input ended before the stream did
            break;
        }
    }
    inflateEnd(&stream);
    out.resize(produced);
    if (status != Z_STREAM_END) {
        const bool gzip = static_cast<unsigned char>(data[0]) == 0x1F;
        fault = status == Z_MEM_ERROR ? "the note data expands beyond the size limit"
                : gzip                ? "the gzip data is damaged or cut short"
                                      : "the zlib data is damaged or cut short";
        return std::nullopt;
    }
    return out;
}

Text renderNoteText(const NoteText& note, const AttachmentResolver& resolve,
                    std::vector<std::string>* attachmentNames, RenderBudget* budget) {
    const Text text = text::fromUtf8(note.text());
    const RunIndex runs(note, text.size());
    Text out;
    out.reserve(text.size() + text.size() / 4 + 64);  // the text and, roughly, its tags
    ListWriter lists(out);
    Text content;  // one paragraph's, its buffer kept from one paragraph to the next
    bool quoted = false;
    std::size_t begin = 0;
    while (begin < text.size() && !(budget && budget->exceeded())) {
        const std::size_t outBefore = out.size();
        // The paragraph's end and whether it holds an attachment, in one pass for most.
        std::size_t end = text::findEither(text, begin, u'\n', kAttachmentCharacter);
        const bool marked = end < text.size() && text[end] == kAttachmentCharacter;
        if (marked) end = text::findUnit(text, end, u'\n');
        const AttributeRun* styleRun = runs.at(begin).first;
        const int kind = paragraphKind(styleRun);
        if (isQuoted(styleRun) != quoted) {
            lists.closeAll();
            quoted = !quoted;
            append(out, quoted ? "<blockquote>\n" : "</blockquote>\n");
        }

        content.clear();
        InlineWriter writer(content, budget);
        writeInline(content, text, begin, end, marked, runs, resolve, attachmentNames, writer);
        writer.finish();
        // An empty paragraph, or one that ends in an attachment, closes with a line break.
        if (writer.empty() || writer.endsWithBlock()) append(content, "<br>");

        if (isListKind(kind)) {
            lists.item(listKind(kind), static_cast<std::size_t>(paragraphIndent(styleRun)),
                       styleRun->paragraph_style().checklist().done() != 0, content);
        } else {
            lists.closeAll();
            const char* tag = nullptr;
            switch (kind) {
                case kTitle:
                    tag = "h1";
                    break;
                case kHeading:
                    tag = "h2";
                    break;
                case kSubheading:
                    tag = "h3";
                    break;
                case kMonospaced:
                    tag = "tt";
                    break;
                default:
                    break;
            }
            append(out, "<div>");
            if (tag) append(out, std::string("<") + tag + ">");
            out += content;
            if (tag) append(out, std::string("</") + tag + ">");
            append(out, "</div>\n");
        }
        // The paragraph's content is spent as it is written; its tags are spent here.
        if (budget) budget->spend(out.size() - outBefore - content.size());
        begin = end + 1;
    }
    lists.closeAll();
    if (quoted) append(out, "</blockquote>\n");
    return out;
}

NoteBody readNoteBody(std::string_view storedData, const AttachmentResolver& resolve) {
    NoteBody body;
    note_store_proto::StoredNote stored;
    if (isCompressed(storedData)) {
        std::string fault;
        const auto bytes = gunzip(storedData, fault);
        if (!bytes) {
            body.fault = fault;
            return body;
        }
        if (!stored.ParseFromString(*bytes)) {
            body.fault = "the note's protocol buffer is damaged or cut short";
            return body;
        }
    } else if (storedData.size() > static_cast<std::size_t>(INT_MAX) ||
               !stored.ParseFromArray(storedData.data(), static_cast<int>(storedData.size())) ||
               !stored.version().has_text()) {
        // Uncompressed data is taken only when it holds a note's text.
        body.fault = "the note data is neither gzip, zlib nor a note's protocol buffer";
        return body;
    }
    const auto& text = stored.version().text();
    const std::size_t limit = kBaseHtmlUnits + kHtmlUnitsPerTextUnit * text.text().size();
    RenderBudget budget(limit);
    body.html = renderNoteText(text, resolve, &body.attachmentNames, &budget);
    if (budget.exceeded()) {
        body = NoteBody{};
        body.fault = "the note is over its budget: its HTML would pass " +
                     std::to_string(limit >> 20) + " Mi code units";
    }
    return body;
}

}  // namespace quillmere::note_store
