#pragma once
// Writing into the export: names that clash with nothing the run wrote before, note files
// written atomically in UTF-8, and the note's dates on the file.
//
//   note_file::ExportDirectories directories;   // one per walk
//   Error error;
//   if (auto url = note_file::write(text, u"000_Pancakes", u"html", folder, &directories,
//                                   &error)) {
//       note_file::setDates(*url, note.creationDate(), note.modificationDate(), &directories);
//   }

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "app/run_report.h"
#include "platform/date.h"
#include "platform/error.h"
#include "platform/files/file_manager.h"
#include "platform/files/file_url.h"
#include "platform/text/text.h"
#include "string_utils/path_utilities.h"

namespace quillmere::note_file {

// What the run has put into each directory of the export, so that no later name replaces or
// blocks an earlier one. A directory is read from disk once, when a name is first claimed in
// it; after that every name claimed there is added. Names are compared as they are on disk (a
// lone surrogate is U+FFFD there). One per walk, used on the walk's thread only; it carries
// the run's report, which the walk counts into.
class ExportDirectories {
public:
    explicit ExportDirectories(std::shared_ptr<RunReport> report = std::make_shared<RunReport>())
        : report_(report ? std::move(report) : std::make_shared<RunReport>()) {}

    // The report of the run this walk belongs to.
    RunReport& report() { return *report_; }

    // Where a note with `baseName` and `extension` goes in `folderURL`: the name cut to fit the
    // file system, and, when the directory already holds that name, the same name with " - n"
    // that clashes with nothing there (letter case and composition aside). The name counts as
    // taken from now on.
    FileURL claimFile(const FileURL& folderURL, const Text& baseName, const Text& extension);

    // Where the sub-directory `name` of `parentURL` goes: that name when it is free or already a
    // directory (sibling folders of one name share it), otherwise the same name with " - n"
    // before its extension, as a note gets one. `renamed` tells which.
    FileURL claimDirectory(const FileURL& parentURL, const Text& name, bool* renamed);

    // A directory of the run's own below `parentURL` (a note folder's "Attachments"): `name`,
    // or `name` with " - n" when anything else holds that name. The same URL on every call for
    // that parent and name. Unlike a folder's directory it is never shared: a Notes folder of
    // that name claimed later gets a name of its own.
    FileURL claimOwnDirectory(const FileURL& parentURL, const Text& name);

    // Gives back a claimed name whose file or directory could not be made.
    void release(const FileURL& url);

    // The walk is done with the directory at `url`: its names are let go, and read from disk
    // again should a name be claimed there later (sibling folders of one name share it). The
    // names held are those of the directories the walk is in, not of every directory it made.
    void forget(const FileURL& url) { directories_.erase(url.path()); }

    // Whether the directory at `url` was made (or found) by this run, so that nothing above it
    // needs checking.
    bool isMade(const FileURL& url) const { return made_.contains(url.path()); }
    void markMade(const FileURL& url) { made_.insert(url.path()); }

    // Makes the walk's directories and files: it keeps the directories it works in open.
    FileManager& fileManager() { return fileManager_; }

    // Where in Notes the notes of a directory come from, for formats that record it: their
    // account and their folder's path, "/" between the folders' names as Notes gives them.
    struct Place {
        Text account;
        Text folderPath;
    };
    void setPlace(const FileURL& directory, Place place) {
        places_[directory.path()] = std::move(place);
    }
    // The place set for `directory`; empty texts when none was.
    Place placeOf(const FileURL& directory) const {
        const auto found = places_.find(directory.path());
        return found != places_.end() ? found->second : Place();
    }

private:
    struct Directory {
        std::unordered_map<std::string, bool> isDirectoryByName;  // exact names on disk
        PathUtilities::TakenFilenames taken;
    };

    Directory& directoryAt(const FileURL& url);
    FileURL claim(Directory& directory, const FileURL& parentURL, const Text& name,
                  bool isDirectory);

    std::unordered_map<std::string, Directory> directories_;  // by path
    std::unordered_set<std::string> made_;
    std::unordered_map<std::string, Place> places_;  // by path
    std::shared_ptr<RunReport> report_;
    std::unordered_map<std::string, FileURL> ownDirectories_;  // by parent path, "/", name
    FileManager fileManager_{FileManager::KeepingDirectoriesOpen{}};
};

// Writes `text` as UTF-8 without a byte-order mark (a lone surrogate becomes U+FFFD),
// atomically, to the URL that `directories` (or, without it, a fresh look at the folder) gives
// for the name. Answers that URL, or nullopt with the reason in `error`.
std::optional<FileURL> write(const Text& text, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, ExportDirectories* directories,
                             Error* error);
// The same with the file's bytes, UTF-8 already.
std::optional<FileURL> write(const std::string& utf8, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, ExportDirectories* directories,
                             Error* error);

// Sets the creation date (where the file system keeps one), then the modification date, each
// only when given, through the walk's `directories` when there are some. Failures leave the
// date the file system set.
void setDates(const FileURL& url, std::optional<Date> creationDate,
              std::optional<Date> modificationDate, ExportDirectories* directories = nullptr);

}  // namespace quillmere::note_file
