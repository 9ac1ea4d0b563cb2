// The note export: one note of Notes becomes one HTML or plain-text file, or one Markdown file.

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/attachment_copy.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "app/markdown_conversion.h"
#include "app/note_file.h"
#include "app/note_front_matter.h"
#include "app/note_text.h"
#include "string_utils/html_convenience.h"
#include "string_utils/path_utilities.h"

namespace quillmere {

namespace {

Text indexedName(std::uint64_t index, const Text& name) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%03" PRIu64 "_", index);
    return text::fromUtf8(prefix) + name;
}

// How a log line names a note: by its title, or without one by its place, as its file would be
// numbered in its folder's directory.
std::string noteForLog(const Text& name, std::uint64_t index, const FileURL& folderURL) {
    if (!name.empty()) {
        return log_format::describe(name);
    }
    char number[32];
    std::snprintf(number, sizeof number, "%03" PRIu64, index);
    const std::string& path = folderURL.path();
    return std::string("(untitled note ") + number + " in \u201C" +
           path.substr(path.rfind('/') + 1) + "\u201D)";
}

}  // namespace

void AppDelegate::exportNote(const std::shared_ptr<NotesNote>& note, std::uint64_t index,
                             const FileURL& folderURL, note_file::ExportDirectories* directories) {
    const NoteForExport read = readNoteForExport(note);
    writeNoteFile(read, buildNoteText(read), index, folderURL, directories);
    postProgressSteps(1);
}

AppDelegate::NoteForExport AppDelegate::readNoteForExport(
    const std::shared_ptr<NotesNote>& note) const {
    NoteForExport read;
    if (!note) {
        return read;
    }
    read.note = note;
    read.name = note->name();
    read.body = note->body();
    read.lock = note->lockState();
    read.readable = note->readable();
    read.created = note->creationDate();
    read.modified = note->modificationDate();
    read.copyAttachments = appServices().userDefaults->boolForKey(kCopyAttachmentsKey);
    for (const std::shared_ptr<NotesAttachment>& attachment : note->attachments()) {
        read.attachmentNames.push_back(attachment ? attachment->name() : Text());
        if (read.copyAttachments) {
            read.attachmentFiles.push_back(attachment ? attachment->file() : AttachmentFile());
        }
    }
    read.firstParagraphAsHeading =
        appServices().userDefaults->boolForKey(kUseFirstParagraphAsHeadingKey);
    read.markdown = appServices().userDefaults->stringForKey(kExportFormatKey) == "markdown";
    return read;
}

AppDelegate::BuiltText AppDelegate::buildNoteText(const NoteForExport& note) {
    BuiltText built;
    if (!note.note) {
        return built;
    }
    built.linked = note_text::linkedText(note.name, note.body, note.firstParagraphAsHeading,
                                         appServices().linkDetector.get());
    if (note.readable && note.attachmentFiles.empty() && !note.markdown) {
        const Text text = note_text::finishedText(
            built.linked, note_text::referencesByName(note.attachmentNames));
        built.finished =
            BuiltText::Finished{HTMLConvenience::containsHTML(text), text::toUtf8(text)};
        built.linked = note_text::LinkedText();
    }
    return built;
}

void AppDelegate::writeNoteFile(const NoteForExport& note, const BuiltText& built,
                                std::uint64_t index, const FileURL& folderURL,
                                note_file::ExportDirectories* directories) {
    RunReport& report = reportOf(directories);
    if (!note.note) {
        report.countNoteNotReadable();  // listed, but gone when read
        return;
    }
    if (!note.readable) {
        report.countNoteNotReadable();  // the source has said why
        return;
    }
    const AppServices& services = appServices();
    // A note that stays locked is counted once, as locked, whether its title made a file or not.
    const bool stillLocked = note.lock == LockState::locked;
    const note_text::LinkedText& linked = built.linked;
    std::vector<note_text::AttachmentReference> attachments;
    Text finishedHere;
    if (!built.finished) {
        const bool opensSourceFiles =
            std::any_of(note.attachmentFiles.begin(), note.attachmentFiles.end(),
                        [](const AttachmentFile& file) { return file.source != nullptr; });
        if (note.attachmentFiles.empty()) {
            attachments = note_text::referencesByName(note.attachmentNames);
        } else if (opensSourceFiles) {
            // The source's files are read where the source is: on the reader thread.
            noteReader().sync(
                [&] { attachments = copyAttachmentFiles(note, folderURL, directories); });
        } else {
            attachments = copyAttachmentFiles(note, folderURL, directories);
        }
        finishedHere = note_text::finishedText(linked, attachments);
    }
    if (built.finished ? built.finished->utf8.empty() : finishedHere.empty()) {
        if (stillLocked) {
            report.countLockedNoteNotOpened();
        } else {
            report.countNoteSkippedEmpty();
        }
        services.log->log("Note: " + noteForLog(note.name, index, folderURL) +
                          " is empty or password protected!");
        return;
    }
    const Text fileName = export_names::replacingPathSeparators(
        PathUtilities::stringByReplacingUnallowedFilenameCharacters(indexedName(index, note.name)));
    Text markdownContent;
    const Text* content = &finishedHere;
    const bool isHtml =
        built.finished ? built.finished->isHtml : HTMLConvenience::containsHTML(finishedHere);
    Text extension = isHtml ? Text(u"html") : Text(u"plain-text");
    if (note.markdown) {
        const note_file::ExportDirectories::Place place =
            directories != nullptr ? directories->placeOf(folderURL)
                                   : note_file::ExportDirectories::Place();
        note_front_matter::FrontMatter fields;
        fields.title = text::toUtf8(note.name);
        fields.created = note.created;
        fields.modified = note.modified;
        fields.folder = text::toUtf8(place.folderPath);
        fields.account = text::toUtf8(place.account);
        fields.locked = stillLocked;
        const markdown::Conversion file = note_front_matter::markdownFile(
            text::toUtf8(note_text::convertibleText(linked, attachments)), fields);
        if (file.fault) {
            report.countNoteNotWritten();
            services.log->log("Note: " + log_format::describe(note.name) +
                              " could not be written as Markdown: " + *file.fault);
            return;
        }
        markdownContent = text::fromUtf8(file.markdown);
        content = &markdownContent;
        extension = u"md";
    }
    Error error;
    const std::string utf8 = built.finished ? std::string() : text::toUtf8(*content);
    if (const std::optional<FileURL> url =
            note_file::write(built.finished ? built.finished->utf8 : utf8, fileName, extension,
                             folderURL, directories, &error)) {
        note_file::setDates(*url, note.created, note.modified, directories);
        if (stillLocked) {
            report.countLockedNoteNotOpened();
        } else {
            report.countNoteWritten();
        }
        if (note.lock == LockState::opened) report.countLockedNoteOpened();
    } else {
        report.countNoteNotWritten();
        services.log->log("Note: " + noteForLog(note.name, index, folderURL) +
                          " could not be written: " + error.description + " " +
                          error.recoverySuggestion);
    }
}

std::vector<note_text::AttachmentReference> AppDelegate::copyAttachmentFiles(
    const NoteForExport& note, const FileURL& folderURL,
    note_file::ExportDirectories* directories) {
    note_file::ExportDirectories forThisNote;
    note_file::ExportDirectories& names = directories != nullptr ? *directories : forThisNote;
    AttachmentCopies copies = attachment_copy::copyAttachments(
        note.attachmentNames, note.attachmentFiles, folderURL, names);
    RunReport& report = reportOf(directories);
    for (std::size_t i = 0; i < copies.copied; ++i) {
        report.countAttachmentCopied();
    }
    for (std::size_t i = 0; i < copies.missing.size(); ++i) {
        report.countAttachmentMissing();
    }
    const AppServices& services = appServices();
    for (const std::string& failure : copies.failures) {
        services.log->log("Note: " + log_format::describe(note.name) + ": attachment " + failure);
    }
    if (!copies.missing.empty()) {
        std::string list;
        for (const Text& name : copies.missing) {
            list += (list.empty() ? "" : ", ") + log_format::describe(name);
        }
        services.log->log("Note: " + log_format::describe(note.name) +
                          " refers to attachments whose files were not copied: " + list);
    }
    return std::move(copies.references);
}

RunReport& AppDelegate::reportOf(note_file::ExportDirectories* directories) {
    if (directories != nullptr) {
        return directories->report();
    }
    static RunReport unread;  // counts of calls outside a walk: only atomics, safe to share
    return unread;
}

void AppDelegate::postProgressSteps(std::uint64_t count) {
    appServices().mainQueue->async([self = shared_from_this(), count] {
        if (const std::shared_ptr<ProgressIndicator> progress = self->progressIndicator().lock()) {
            for (std::uint64_t step = 0; step < count; ++step) {
                progress->incrementBy(1.0);
            }
        }
    });
}

}  // namespace quillmere
