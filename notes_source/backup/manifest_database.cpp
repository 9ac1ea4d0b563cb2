#include "notes_source/backup/manifest_database.h"

#include <sqlite3.h>

#include <cctype>

namespace quillmere::backup {

namespace {

// A file URI for SQLite: everything but unreserved characters and "/" percent-encoded.
std::string immutableFileUri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?immutable=1";
}

bool isFileId(const unsigned char* text, int size) {
    if (text == nullptr || size != 40) return false;
    for (int i = 0; i < size; ++i) {
        if (!std::isdigit(text[i]) && !(text[i] >= 'a' && text[i] <= 'f')) return false;
    }
    return true;
}

class Query {
public:
    Query(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Query() { sqlite3_finalize(statement_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

ManifestDatabase::Open ManifestDatabase::open(const std::string& path) {
    Open open;
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(immutableFileUri(path).c_str(), &db,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<ManifestDatabase> database(new ManifestDatabase(db));
    if (status != SQLITE_OK) {
        open.error = db ? sqlite3_errmsg(db) : "cannot open it";
        return open;
    }
    Query check(db, "SELECT fileID, domain, relativePath, flags, file FROM Files LIMIT 0");
    if (!check.get()) {
        open.error = sqlite3_errmsg(db);
        return open;
    }
    open.database = std::move(database);
    return open;
}

ManifestDatabase::~ManifestDatabase() { sqlite3_close_v2(db_); }

ManifestLookup ManifestDatabase::find(const std::string& domain,
                                      const std::string& relativePath) const {
    ManifestLookup lookup;
    Query query(db_,
                "SELECT fileID, flags, file FROM Files WHERE domain = ? AND relativePath = ? "
                "LIMIT 1");
    sqlite3_stmt* row = query.get();
    if (!row) {
        lookup.error = sqlite3_errmsg(db_);
        return lookup;
    }
    sqlite3_bind_text(row, 1, domain.data(), static_cast<int>(domain.size()), SQLITE_STATIC);
    sqlite3_bind_text(row, 2, relativePath.data(), static_cast<int>(relativePath.size()),
                      SQLITE_STATIC);
    const int status = sqlite3_step(row);
    if (status == SQLITE_DONE) return lookup;
    if (status != SQLITE_ROW) {
        lookup.error = sqlite3_errmsg(db_);
        return lookup;
    }
    const auto* id = sqlite3_column_text(row, 0);
    if (!isFileId(id, sqlite3_column_bytes(row, 0))) {
        lookup.error = "the row of " + relativePath + " has no valid fileID";
        return lookup;
    }
    const auto* record = static_cast<const char*>(sqlite3_column_blob(row, 2));
    const auto recordSize = static_cast<std::size_t>(sqlite3_column_bytes(row, 2));
    if (recordSize > kMaxFileRecordBytes) {
        lookup.error = "the row of " + relativePath + " has an oversized file record";
        return lookup;
    }
    ManifestEntry entry;
    entry.fileId.assign(reinterpret_cast<const char*>(id), 40);
    entry.flags = sqlite3_column_int64(row, 1);
    if (record) entry.record.assign(record, recordSize);
    lookup.entry = std::move(entry);
    return lookup;
}

bool ManifestDatabase::hasDomain(const std::string& domain) const {
    Query query(db_, "SELECT 1 FROM Files WHERE domain = ? LIMIT 1");
    if (!query.get()) return false;
    sqlite3_bind_text(query.get(), 1, domain.data(), static_cast<int>(domain.size()),
                      SQLITE_STATIC);
    return sqlite3_step(query.get()) == SQLITE_ROW;
}

}  // namespace quillmere::backup
