// The note export: one note of Notes becomes one HTML or plain-text file.

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/html_escaping.h"
#include "app/log_format.h"
#include "app/note_file.h"
#include "platform/text/character_set.h"
#include "string_utils/html_convenience.h"
#include "string_utils/path_utilities.h"

namespace quillmere {

namespace {

// Notes writes each line of a note as one div element; a div tag at a line's start or end turns
// into a paragraph tag.
struct DivLineExpressions {
    RegularExpression opening{
        u"^<div>", RegularExpression::kCaseInsensitive | RegularExpression::kAnchorsMatchLines};
    RegularExpression closing{
        u"<\\/div>$", RegularExpression::kCaseInsensitive | RegularExpression::kAnchorsMatchLines};
};

const DivLineExpressions& divLineExpressions() {
    static const DivLineExpressions expressions;
    return expressions;
}

// "&amp" followed by anything but ";", in any letter case.
const RegularExpression& ampersandExpression() {
    static const RegularExpression expression(u"(&amp)([^;])", RegularExpression::kCaseInsensitive);
    return expression;
}

Text indexedName(std::uint64_t index, const Text& name) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%03" PRIu64 "_", index);
    return text::fromUtf8(prefix) + name;
}

// Wraps every detected link in an anchor, from the last to the first so that the ranges found
// on the unchanged text stay valid. A tag or an entity at the end of a link is not part of it.
void wrapLinks(Text& text) {
    const std::shared_ptr<const LinkDetector>& detector = appServices().linkDetector;
    if (!detector) {
        return;
    }
    const std::vector<Range> links = detector->matchesInString(text);
    const RegularExpression& simpleXMLContent = AppDelegate::simpleXMLContentExpression();
    for (auto link = links.rbegin(); link != links.rend(); ++link) {
        if (link->location > text.size() || link->length > text.size() - link->location) {
            continue;  // not a range of this text
        }
        Text linkText = text.substr(link->location, link->length);
        const std::vector<RegularExpression::Match> matches =
            simpleXMLContent.matchesInString(linkText, Range{0, linkText.size()});
        if (!matches.empty() && matches.back().range.end() == linkText.size()) {
            linkText.erase(matches.back().range.location, matches.back().range.length);
        }
        text.replace(link->location, link->length,
                     u"<a href=\"" + linkText + u"\">" + linkText + u"</a>");
    }
}

// Each named attachment takes the first attachment character left in the text.
void referToAttachments(Text& text, const ElementList<NotesAttachment>& attachments) {
    static const Text attachmentCharacter(1, u'\uFFFC');
    for (const std::shared_ptr<NotesAttachment>& attachment : attachments) {
        const Range placeholder = text::rangeOfString(text, attachmentCharacter);
        const Text name = attachment ? attachment->name() : Text();
        if (placeholder.location != kNotFound && !name.empty()) {
            text.replace(placeholder.location, placeholder.length,
                         u"<img src=\"" + html_escaping::escapedAttribute(name) + u"\">");
        }
    }
}

}  // namespace

void AppDelegate::exportNote(const std::shared_ptr<NotesNote>& note, std::uint64_t index,
                             const FileURL& folderURL) {
    const AppServices& services = appServices();
    if (note) {
        const Text name = note->name();
        const Text body = note->body();

        const Text fileName = export_names::replacingPathSeparators(
            PathUtilities::stringByReplacingUnallowedFilenameCharacters(indexedName(index, name)));

        const Text trimmedBody = trimming(body, whitespaceAndNewlineCharacterSet());
        const bool isFullDocument =
            text::hasPrefix(trimmedBody, u"<html>") && text::hasSuffix(trimmedBody, u"</html>");
        const bool hasMarkup = isFullDocument || text::hasPrefix(trimmedBody, u"<div>");

        Text text;
        if (!name.empty() && !hasMarkup) {
            text += u"<p>" + html_escaping::escapedText(name) + u"</p>\n";
        }
        text += body;

        const DivLineExpressions& divLines = divLineExpressions();
        divLines.opening.replaceMatches(text, u"<p>");
        divLines.closing.replaceMatches(text, u"</p>");

        if (services.userDefaults->boolForKey(kUseFirstParagraphAsHeadingKey)) {
            convertFirstParagraphToHeadingInString(text);
        }

        wrapLinks(text);

        if (!isFullDocument) {
            text::replaceOccurrences(text, u"<br>", u"&nbsp;");
        }
        if (hasMarkup) {
            ampersandExpression().replaceMatches(text, u"$1;$2");
        }
        for (const TextView tag : {u"<tt>", u"</tt>", u"<object>", u"</object>"}) {
            text::replaceOccurrences(text, tag, u"");
        }

        const ElementList<NotesAttachment> attachments = note->attachments();
        if (attachments.count() > 0) {
            referToAttachments(text, attachments);
        }

        if (!text.empty()) {
            const Text extension =
                HTMLConvenience::containsHTML(text) ? Text(u"html") : Text(u"plain-text");
            Error error;
            if (const std::optional<FileURL> url =
                    note_file::write(text, fileName, extension, folderURL, &error)) {
                note_file::setDates(*url, note->creationDate(), note->modificationDate());
            } else {
                services.log->log("Note: " + log_format::describe(name) +
                                  " could not be written: " + error.description);
            }
        } else {
            services.log->log("Note: " + log_format::describe(name) +
                              " is empty or password protected!");
        }
    }

    services.mainQueue->async([self = shared_from_this()] {
        if (const std::shared_ptr<ProgressIndicator> progress = self->progressIndicator().lock()) {
            progress->incrementBy(1.0);
        }
    });
}

}  // namespace quillmere
