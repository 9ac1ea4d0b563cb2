#pragma once
// The Manifest.db of an iPhone or iPad backup: the table Files(fileID, domain, relativePath,
// flags, file) that says where each file of the device lies in the backup folder, and its
// record (a keyed archive with its size and, when encrypted, its key).
//
//   auto open = ManifestDatabase::open(backup + "/Manifest.db");
//   if (!open.database) { report(*open.error); }
//   auto found = open.database->find("AppDomainGroup-group.com.apple.notes", "NoteStore.sqlite");
//
// The file is opened immutable: SQLite writes nothing, not even beside it. A fileID is taken only
// when it is 40 lowercase hexadecimal digits, so that no row can point outside the backup.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace quillmere::backup {

// A file record larger than this is damage, not a file's description (real ones are under 1 KiB).
inline constexpr std::size_t kMaxFileRecordBytes = 64 * 1024;

enum class ManifestFlags : std::int64_t { file = 1, directory = 2, symbolicLink = 4 };

struct ManifestEntry {
    std::string fileId;  // 40 lowercase hexadecimal digits
    std::int64_t flags = 0;
    std::string record;  // the `file` column: a binary keyed archive
};

struct ManifestLookup {
    std::optional<ManifestEntry> entry;  // none: no such row, or `error`
    std::optional<std::string> error;    // the database could not be read, or the row is damaged
};

class ManifestDatabase {
public:
    struct Open {
        std::unique_ptr<ManifestDatabase> database;
        std::optional<std::string> error;  // a few words: "file is not a database"
    };
    // Opens the database at `path` and checks that it has the Files table.
    static Open open(const std::string& path);

    ~ManifestDatabase();
    ManifestDatabase(const ManifestDatabase&) = delete;
    ManifestDatabase& operator=(const ManifestDatabase&) = delete;

    // The row of `relativePath` in `domain`.
    ManifestLookup find(const std::string& domain, const std::string& relativePath) const;
    // Whether any row belongs to `domain`; an unreadable database answers false.
    bool hasDomain(const std::string& domain) const;

private:
    explicit ManifestDatabase(sqlite3* db) : db_(db) {}
    sqlite3* db_;
};

}  // namespace quillmere::backup
