#include "app/attachment_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "app/export_names.h"
#include "platform/files/file_io.h"
#include "string_utils/path_utilities.h"

namespace quillmere::attachment_copy {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

// The copy's name as one path component, without the character that stands for an attachment
// (a link's text is read again for attachment characters).
Text copyName(const Text& fileName) {
    Text name = export_names::replacingPathSeparators(fileName);
    for (char16_t& c : name) {
        if (c == u'\uFFFC') c = u'_';
    }
    return name;
}

// Streams `stream` into a new file at `path`, which must not exist; sets its modification date.
// Answers an empty string, or why it failed (and then no file is left behind).
std::string copyInto(SourceFileStream& stream, const std::string& path) {
    const int out =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0) return std::strerror(errno);
    std::string problem;
    const std::unique_ptr<char[]> chunk(new char[kChunkBytes]);
    while (problem.empty()) {
        const std::ptrdiff_t n = stream.read(chunk.get(), kChunkBytes);
        if (n < 0) {
            problem = "cannot read it (" + stream.problem() + ")";
        } else if (n == 0) {
            break;
        } else if (const int error = writeAll(out, std::string_view(chunk.get(), n))) {
            problem = std::strerror(error);
        }
    }
    if (problem.empty()) {
        if (const auto modified = stream.info().modificationDate) {
            const auto micros = modified->time_since_epoch().count();
            struct timespec times[2];
            times[0].tv_sec = 0;
            times[0].tv_nsec = UTIME_OMIT;
            times[1].tv_sec = static_cast<time_t>(micros / 1'000'000);
            times[1].tv_nsec = static_cast<long>(micros % 1'000'000) * 1000;
            if (times[1].tv_nsec < 0) {
                times[1].tv_sec -= 1;
                times[1].tv_nsec += 1'000'000'000;
            }
            ::futimens(out, times);  // a date that cannot be set leaves the copy's own
        }
    }
    if (::close(out) != 0 && problem.empty()) problem = std::strerror(errno);
    if (!problem.empty()) ::unlink(path.c_str());
    return problem;
}

}  // namespace

AttachmentCopies copyAttachments(const std::vector<Text>& names,
                                 const std::vector<AttachmentFile>& files, const FileURL& folderURL,
                                 note_file::ExportDirectories& directories) {
    AttachmentCopies copies;
    copies.references.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        note_text::AttachmentReference reference{names[i], Text(), false};
        const AttachmentFile* file = i < files.size() ? &files[i] : nullptr;
        if (file == nullptr || file->availability == AttachmentFile::Availability::notKept) {
            copies.references.push_back(std::move(reference));
            continue;
        }
        std::unique_ptr<SourceFileStream> stream =
            file->availability == AttachmentFile::Availability::found ? file->open() : nullptr;
        if (!stream) {
            copies.missing.push_back(names[i]);
            copies.references.push_back(std::move(reference));
            continue;
        }
        const FileURL directoryURL = directories.claimOwnDirectory(folderURL, kDirectoryName);
        if (!directories.isMade(directoryURL)) {
            Error error;
            if (!directories.fileManager().createDirectoryAtURL(directoryURL, false, &error)) {
                copies.failures.push_back(directoryURL.path() +
                                          " cannot be made: " + error.description);
                copies.missing.push_back(names[i]);
                copies.references.push_back(std::move(reference));
                continue;
            }
            directories.markMade(directoryURL);
        }
        const Text name = copyName(file->fileName.empty() ? names[i] : file->fileName);
        const Text extension = PathUtilities::pathExtension(name);
        const Text base =
            extension.empty() ? name : PathUtilities::stringByDeletingPathExtension(name);
        const FileURL url = directories.claimFile(directoryURL, base, extension);
        if (const std::string problem = copyInto(*stream, url.path()); !problem.empty()) {
            directories.release(url);
            copies.failures.push_back(url.path() + " cannot be written: " + problem);
            copies.missing.push_back(names[i]);
            copies.references.push_back(std::move(reference));
            continue;
        }
        const std::string& directoryPath = directoryURL.path();
        const std::string& filePath = url.path();
        reference.copiedPath = text::fromUtf8(directoryPath.substr(directoryPath.rfind('/') + 1) +
                                              filePath.substr(filePath.rfind('/')));
        reference.isImage = file->isImage;
        ++copies.copied;
        copies.references.push_back(std::move(reference));
    }
    return copies;
}

}  // namespace quillmere::attachment_copy
