#pragma once
// The text of one exported note, built from its title, its HTML body and the names of its
// attachments: div lines become paragraphs, the first paragraph optionally a heading, links
// anchors, attachment characters image references. Pure: no file, no service, no shared state,
// so it may run on any thread.
//
//   Text html = note_text::build(u"Pancakes", u"<div>Flour</div>", {}, true, &detector);
//   // u"<h1>Flour</h1>"
//
// Every step takes time linear in its input whatever the input. The fixed regular expressions
// of the steps are carried out as scans with exactly the expression's meaning (ICU syntax,
// "." not matching a line terminator); each scan is declared here so that tests can hold it
// against ICU running the expression itself.

#include <vector>

#include "platform/links/link_detector.h"
#include "platform/text/text.h"

namespace quillmere::note_text {

// The finished text of a note, empty when nothing is left to write. `links` may be null: then
// no link is wrapped.
Text build(TextView name, TextView body, const std::vector<Text>& attachmentNames,
           bool firstParagraphAsHeading, const LinkDetector* links);

// build() in two halves, so that two threads can share the work of a run: the text up to and
// with its links wrapped, and then the rest.
struct LinkedText {
    Text text;
    bool isFullDocument = false;  // the trimmed body is "<html>…</html>"
    bool hasMarkup = false;       // a full document, or the trimmed body begins with "<div>"
};
LinkedText linkedText(TextView name, TextView body, bool firstParagraphAsHeading,
                      const LinkDetector* links);
Text finishedText(const LinkedText& linked, const std::vector<Text>& attachmentNames);
// The finished text as a converter to another format reads it: finishedText() without the steps
// that only make up for HTML readers ("<br>" as "&nbsp;", ampersands repaired, "<tt>" and
// "<object>" tags removed), so that line breaks and monospaced runs survive.
Text convertibleText(const LinkedText& linked, const std::vector<Text>& attachmentNames);

// What one attachment character becomes: an image reference by the attachment's name (the
// reference when no copy was made), or a reference to the copy: an image for a picture, a link
// showing the copy's file name for any other file. An attachment with neither a name nor a copy
// takes no character.
struct AttachmentReference {
    Text name;        // as Notes names it
    Text copiedPath;  // the copy, relative to the note's folder ("Attachments/x.pdf"); empty: none
    bool isImage = false;
};
Text finishedText(const LinkedText& linked, const std::vector<AttachmentReference>& attachments);
Text convertibleText(const LinkedText& linked, const std::vector<AttachmentReference>& attachments);
// Each name as a reference by name (no copy).
std::vector<AttachmentReference> referencesByName(const std::vector<Text>& attachmentNames);

// `relativePath` as a relative URL: every byte of its UTF-8 but unreserved characters and "/"
// percent-encoded, so that spaces, "#", "?" and "%" in a name cannot change what it points to.
Text relativeURL(TextView relativePath);

// Makes the first paragraph a level-1 heading, in place: the first "<p>"…"</p>" pair after the
// body start tag (or anywhere, without a body), else the body's content up to its first "<br>".
// A paragraph whose whole content is one heading element (<h1> to <h6>) becomes one <h1> with
// that element's content, not a heading nested in a heading.
void convertFirstParagraphToHeading(Text& text);

// ---- The scans, each with the meaning of the expression it names ----

// The first match of "<body.*?>", case-insensitive, or kNotFoundRange.
Range firstBodyStartTag(TextView text);
// The last of the non-overlapping matches of "(<.+>)|(&.+;)", or kNotFoundRange.
Range lastTagOrEntity(TextView text);
// Every match of "^<div>" replaced by "<p>", then every match of "<\/div>$" by "</p>", both
// case-insensitive with anchors matching at lines.
Text paragraphsFromDivLines(TextView text);
// The same, appended to `result`; as if `result` and `text` were one text when `result` is empty
// or ends with a line feed and holds no div tag.
void appendParagraphsFromDivLines(Text& result, TextView text);
// appendParagraphsFromDivLines, except on the lines of each table block: from the start of a
// line that holds "<object><table" to the end of the first line from there that holds
// "</table></object>" (both in any letter case). Those lines keep their div tags, so that a
// table's cells keep matched tags and the table stands in no paragraph.
void appendParagraphsFromDivLinesOutsideTables(Text& result, TextView text);
// Each line that is one paragraph holding exactly one heading element ("<p><h2>…</h2></p>")
// becomes that heading element: a heading cannot stand inside a paragraph.
Text unwrappingHeadingParagraphs(Text text);
// Every match of "(&amp)([^;])", case-insensitive, replaced by "$1;$2".
Text repairingAmpersands(TextView text);
// The literal steps of the export in one pass, with the result of running them one after the
// other: every "<br>" replaced by "&nbsp;" (when `replaceBreaks`), the ampersands repaired as
// above (when `repairAmpersands`), then every "<tt>", "</tt>", "<object>" and "</object>"
// removed, each tag in a pass of its own. No step makes or breaks a match of another except a
// removal that joins the text around it into a removed tag ("<ob<tt>ject>"); such a text is
// handed to the separate passes.
Text withLiteralsReplaced(const Text& text, bool replaceBreaks, bool repairAmpersands);

}  // namespace quillmere::note_text
