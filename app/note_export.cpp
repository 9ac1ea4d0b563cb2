// The note export: one note of Notes becomes one HTML or plain-text file.

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "app/app_services.h"
#include "app/export_names.h"
#include "app/log_format.h"
#include "app/note_file.h"
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

}  // namespace

void AppDelegate::exportNote(const std::shared_ptr<NotesNote>& note, std::uint64_t index,
                             const FileURL& folderURL, note_file::ExportDirectories* directories) {
    const AppServices& services = appServices();
    if (note) {
        const Text name = note->name();
        const Text body = note->body();

        const Text fileName = export_names::replacingPathSeparators(
            PathUtilities::stringByReplacingUnallowedFilenameCharacters(indexedName(index, name)));

        std::vector<Text> attachmentNames;
        for (const std::shared_ptr<NotesAttachment>& attachment : note->attachments()) {
            attachmentNames.push_back(attachment ? attachment->name() : Text());
        }
        const Text text =
            note_text::build(name, body, attachmentNames,
                             services.userDefaults->boolForKey(kUseFirstParagraphAsHeadingKey),
                             services.linkDetector.get());

        if (!text.empty()) {
            const Text extension =
                HTMLConvenience::containsHTML(text) ? Text(u"html") : Text(u"plain-text");
            Error error;
            if (const std::optional<FileURL> url =
                    note_file::write(text, fileName, extension, folderURL, directories, &error)) {
                note_file::setDates(*url, note->creationDate(), note->modificationDate());
            } else {
                services.log->log("Note: " + log_format::describe(name) +
                                  " could not be written: " + error.description + " " +
                                  error.recoverySuggestion);
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
