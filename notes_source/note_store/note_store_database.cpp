#include "notes_source/note_store/note_store_database.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_table.h"
#include "platform/files/temporary_directory.h"

namespace quillmere {

namespace {

using note_store::AttachmentView;

constexpr const char* kObjects = "ZICCLOUDSYNCINGOBJECT";
// Core Data counts seconds from 2001-01-01 00:00:00 UTC.
constexpr std::int64_t kReferenceDateUnixSeconds = 978307200;

std::string shownPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

bool isRegularFile(const std::string& path, off_t* size = nullptr) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (size) *size = info.st_size;
    return true;
}

// A file URI for SQLite: everything but unreserved characters and "/" percent-encoded.
std::string fileUri(const std::string& path, const char* query) {
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
    return uri + "?" + query;
}

bool copyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    char chunk[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, chunk + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
    }
    ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok;
}

// A private folder holding a copy of the database and its -wal file; removed with its files.
class TemporaryCopy {
public:
    ~TemporaryCopy() {
        if (folder_.empty()) return;
        if (DIR* dir = ::opendir(folder_.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") ::unlink((folder_ + "/" + name).c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(folder_.c_str());
    }
    // Copies `database` and its -wal file; answers the copy's path, or empty with `error` set.
    std::string make(const std::string& database, std::string& error) {
        Error failure;
        auto base = preparePrivateTemporaryDirectory(&failure);
        if (!base) {
            error = failure.description;
            return {};
        }
        std::string pattern = *base + "/notestore-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = std::string("cannot make a temporary folder (") + std::strerror(errno) + ")";
            return {};
        }
        folder_ = pattern;
        const std::string copy = folder_ + "/NoteStore.sqlite";
        if (!copyFile(database, copy) || !copyFile(database + "-wal", copy + "-wal")) {
            error = std::string("cannot copy it with its -wal file (") + std::strerror(errno) + ")";
            return {};
        }
        return copy;
    }

private:
    std::string folder_;
};

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
            statement_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr && !failed_; }
    Statement& bind(int index, std::int64_t value) {
        if (statement_) sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    Statement& bind(int index, const std::string& value) {
        if (statement_) {
            sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT);
        }
        return *this;
    }
    // The next row; false at the end or on an error (then ok() is false).
    bool step() {
        if (!statement_ || failed_) return false;
        const int status = sqlite3_step(statement_);
        if (status == SQLITE_ROW) return true;
        failed_ = status != SQLITE_DONE;
        return false;
    }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string text(int column) const {
        const auto* bytes = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
                     : std::string();
    }

private:
    sqlite3_stmt* statement_ = nullptr;
    bool failed_ = false;
};

std::optional<Date> dateFrom(const Statement& row, int column) {
    if (row.isNull(column)) return std::nullopt;
    const double seconds = row.real(column);
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e11) return std::nullopt;
    const auto micros = std::llround(seconds * 1e6) + kReferenceDateUnixSeconds * 1'000'000;
    return Date(std::chrono::microseconds(micros));
}

struct AccountRow {
    std::int64_t pk;
    std::string name;
    std::vector<std::size_t> folders;  // indexes into Store::folders, pre-order
};

struct FolderRow {
    std::int64_t pk;
    std::string name;
    std::optional<std::size_t> parent;  // index into Store::folders; none: the account
    std::size_t account;                // index into Store::accounts
    std::vector<std::size_t> children;
};

// The open database and what was read of its layout, shared by every object read from it.
class Store {
public:
    ~Store() {
        if (db) sqlite3_close_v2(db);
        db = nullptr;
        copy.reset();  // after the connection is closed
    }

    std::unique_ptr<TemporaryCopy> copy;
    sqlite3* db = nullptr;
    std::string shown;  // the file as it stands in messages
    std::string uuid;   // the store's UUID, from Z_METADATA
    NoteFaultReporter report;

    int noteEntity = -1, folderEntity = -1, accountEntity = -1;
    int attachmentEntity = -1, mediaEntity = -1, inlineEntity = -1;
    // Column names found in the schema; "NULL" for an optional one that is not there.
    std::string noteTitle, noteFolder, noteData, noteCreated, noteModified, notePassword;
    std::string deleted, folderTitle, folderParent, folderOwner, folderType, folderSmart,
        folderHidden, accountName;
    std::string attachmentType, attachmentMedia, attachmentTitle, attachmentUserTitle,
        attachmentUrl, attachmentMergeable, mediaFileName, inlineText;

    std::vector<AccountRow> accounts;
    std::vector<FolderRow> folders;
    std::set<std::int64_t> shownFolders;  // primary keys of `folders`

    std::string objectId(const char* entity, std::int64_t pk) const {
        return "x-coredata://" + uuid + "/" + entity + "/p" + std::to_string(pk);
    }

    void fault(const std::string& line) const {
        if (report) report(line);
    }
    std::string sqliteFault() const { return db ? sqlite3_errmsg(db) : "cannot open"; }

    // The primary keys of the notes the run may see, newest change first: of one folder, or of
    // every shown folder.
    std::vector<std::int64_t> notePks(std::optional<std::int64_t> folderPk) const {
        std::string sql = "SELECT Z_PK, " + noteFolder + " FROM " + kObjects +
                          " WHERE Z_ENT = ? AND IFNULL(" + deleted + ", 0) = 0";
        if (folderPk) sql += " AND " + noteFolder + " = ?";
        sql += " ORDER BY " + noteModified + " DESC, Z_PK DESC";
        Statement query(db, sql);
        query.bind(1, noteEntity);
        if (folderPk) query.bind(2, *folderPk);
        std::vector<std::int64_t> pks;
        while (query.step()) {
            if (!query.isNull(1) && shownFolders.count(query.integer(1))) {
                pks.push_back(query.integer(0));
            }
        }
        if (!query.ok()) fault(shown + ": cannot list notes (" + sqliteFault() + ")");
        return pks;
    }

    struct NoteRow {
        bool found = false;
        std::string title;
        std::optional<Date> created, modified;
        bool passwordProtected = false;
    };
    NoteRow note(std::int64_t pk) const {
        Statement query(db, "SELECT " + noteTitle + ", " + noteCreated + ", " + noteModified +
                                ", " + notePassword + " FROM " + kObjects + " WHERE Z_PK = ?");
        query.bind(1, pk);
        NoteRow row;
        if (query.step()) {
            row.found = true;
            row.title = query.text(0);
            row.created = dateFrom(query, 1);
            row.modified = dateFrom(query, 2);
            row.passwordProtected = !query.isNull(3) && query.integer(3) != 0;
        } else if (!query.ok()) {
            fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" + sqliteFault() +
                  ")");
        }
        return row;
    }

    // The note's body, read once per note in a row of reads (name, body, attachments).
    const note_store::NoteBody& body(std::int64_t pk) {
        if (cachedPk_ == pk) return cachedBody_;
        cachedPk_ = pk;
        cachedBody_ = note_store::NoteBody{};
        Statement query(db, "SELECT n." + notePassword + ", n." + noteTitle + ", d.ZDATA FROM " +
                                kObjects + " n LEFT JOIN ZICNOTEDATA d ON d.Z_PK = n." + noteData +
                                " WHERE n.Z_PK = ?");
        query.bind(1, pk);
        if (!query.step()) {
            if (!query.ok()) {
                fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" +
                      sqliteFault() + ")");
            }
            return cachedBody_;
        }
        const bool locked = !query.isNull(0) && query.integer(0) != 0;
        if (locked || query.isNull(2)) return cachedBody_;
        const std::string title = query.text(1);
        const std::string data = query.text(2);
        auto resolve = [this, &title](const std::string& identifier, const std::string& type) {
            return attachment(identifier, type, title);
        };
        cachedBody_ = note_store::readNoteBody(data, resolve);
        if (cachedBody_.fault) {
            fault("Note \"" + title + "\" (" + objectId("ICNote", pk) +
                  ") cannot be read: " + *cachedBody_.fault);
        }
        return cachedBody_;
    }

private:
    AttachmentView attachment(const std::string& identifier, const std::string& type,
                              const std::string& noteTitle) const {
        AttachmentView view;
        if (type.rfind("com.apple.notes.inlinetextattachment", 0) == 0) {
            Statement query(db, "SELECT " + inlineText + " FROM " + kObjects +
                                    " WHERE ZIDENTIFIER = ? AND Z_ENT = ?");
            query.bind(1, identifier).bind(2, inlineEntity);
            if (query.step() && !query.isNull(0)) {
                view.kind = AttachmentView::Kind::inline_;
                view.text = query.text(0);
            }
            return view;
        }
        Statement query(db, "SELECT a." + attachmentType + ", a." + attachmentMergeable + ", a." +
                                attachmentTitle + ", a." + attachmentUserTitle + ", a." +
                                attachmentUrl + ", m." + mediaFileName + " FROM " + kObjects +
                                " a LEFT JOIN " + kObjects + " m ON m.Z_PK = a." + attachmentMedia +
                                " WHERE a.ZIDENTIFIER = ? AND a.Z_ENT = ?");
        query.bind(1, identifier).bind(2, attachmentEntity);
        const bool found = query.step();
        const std::string storedType = found && !query.isNull(0) ? query.text(0) : type;
        if (storedType == "com.apple.notes.table") {
            if (!found || query.isNull(1)) return view;
            std::string fault;
            if (auto html = note_store::readTable(query.text(1), fault)) {
                view.kind = AttachmentView::Kind::html;
                view.text = std::move(*html);
            } else {
                this->fault("Note \"" + noteTitle + "\": a table cannot be read: " + fault);
            }
            return view;
        }
        if (storedType == "public.url" && found && !query.isNull(4)) {
            // A link card: the link itself says more than a file name would.
            Text link;
            note_store::appendEscaped(link, text::fromUtf8(query.text(4)), true);
            view.kind = AttachmentView::Kind::html;
            view.text = "<a href=\"" + text::toUtf8(link) + "\">";
            link.clear();
            note_store::appendEscaped(link, text::fromUtf8(query.text(4)));
            view.text += text::toUtf8(link) + "</a>";
            return view;
        }
        view.kind = AttachmentView::Kind::file;
        for (int column : {5, 3, 2, 4}) {
            if (found && !query.isNull(column) && !query.text(column).empty()) {
                view.name = query.text(column);
                break;
            }
        }
        if (view.name.empty()) view.name = "Attachment";
        return view;
    }

    std::int64_t cachedPk_ = -1;
    note_store::NoteBody cachedBody_;
};

// Finds the column for `base` of the rows of `entity`: the one of base, base1, base2… that
// holds the most values for them, as the suffixes move between macOS versions.
std::string findColumn(sqlite3* db, const std::vector<std::string>& columns,
                       const std::string& base, int entity) {
    std::vector<std::string> candidates;
    for (const auto& column : columns) {
        if (column.rfind(base, 0) != 0) continue;
        const auto suffix = column.substr(base.size());
        if (suffix.find_first_not_of("0123456789") == std::string::npos) {
            candidates.push_back(column);
        }
    }
    if (candidates.size() <= 1 || entity < 0) return candidates.empty() ? "" : candidates.front();
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        sql += (i ? ", COUNT(" : "COUNT(") + candidates[i] + ")";
    }
    sql += std::string(" FROM ") + kObjects + " WHERE Z_ENT = ?";
    Statement query(db, sql);
    query.bind(1, entity);
    if (!query.step()) return candidates.front();
    std::size_t best = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (query.integer(static_cast<int>(i)) > query.integer(static_cast<int>(best))) best = i;
    }
    return candidates[best];
}

// Reads the layout, the accounts and the folders; answers the fault, or empty.
std::string readLayout(Store& store) {
    sqlite3* db = store.db;
    {
        Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
        std::set<std::string> names;
        while (tables.step()) names.insert(tables.text(0));
        if (!tables.ok()) return "cannot read the database (" + store.sqliteFault() + ")";
        for (const char* table : {"ZICCLOUDSYNCINGOBJECT", "ZICNOTEDATA", "Z_PRIMARYKEY"}) {
            if (!names.count(table)) {
                return std::string("an SQLite database, but not a Notes database (no ") + table +
                       " table)";
            }
        }
    }
    std::map<std::string, int> entities;
    {
        Statement query(db, "SELECT Z_NAME, Z_ENT FROM Z_PRIMARYKEY");
        while (query.step()) entities[query.text(0)] = static_cast<int>(query.integer(1));
        if (!query.ok()) return "cannot read the database (" + store.sqliteFault() + ")";
    }
    auto entity = [&](const char* name) {
        auto it = entities.find(name);
        return it == entities.end() ? -1 : it->second;
    };
    store.noteEntity = entity("ICNote");
    store.folderEntity = entity("ICFolder");
    store.accountEntity = entity("ICAccount");
    store.attachmentEntity = entity("ICAttachment");
    store.mediaEntity = entity("ICMedia");
    store.inlineEntity = entity("ICInlineAttachment");
    if (store.noteEntity < 0 || store.folderEntity < 0 || store.accountEntity < 0) {
        return "a Notes database of a layout this importer cannot read (no ICNote, ICFolder or "
               "ICAccount entity)";
    }
    {
        Statement query(db, "SELECT Z_UUID FROM Z_METADATA");
        if (query.step()) store.uuid = query.text(0);
        if (store.uuid.empty()) {
            return "a Notes database of a layout this importer cannot read (no store UUID)";
        }
    }
    std::vector<std::string> columns;
    {
        Statement query(db, std::string("SELECT name FROM pragma_table_info('") + kObjects + "')");
        while (query.step()) columns.push_back(query.text(0));
        if (!query.ok()) return "cannot read the database (" + store.sqliteFault() + ")";
    }
    std::string missing;
    auto required = [&](const char* base, int entity) {
        auto column = findColumn(db, columns, base, entity);
        if (column.empty() && missing.empty()) missing = base;
        return column;
    };
    auto optional = [&](const char* base, int entity) {
        auto column = findColumn(db, columns, base, entity);
        return column.empty() ? std::string("NULL") : column;
    };
    store.noteTitle = required("ZTITLE", store.noteEntity);
    store.noteFolder = required("ZFOLDER", store.noteEntity);
    store.noteData = required("ZNOTEDATA", store.noteEntity);
    store.noteCreated = required("ZCREATIONDATE", store.noteEntity);
    store.noteModified = required("ZMODIFICATIONDATE", store.noteEntity);
    store.folderTitle = required("ZTITLE", store.folderEntity);
    store.folderParent = required("ZPARENT", store.folderEntity);
    store.folderOwner = required("ZOWNER", store.folderEntity);
    store.accountName = required("ZNAME", store.accountEntity);
    if (!missing.empty()) {
        return "a Notes database of a layout this importer cannot read (no " + missing + " column)";
    }
    store.notePassword = optional("ZISPASSWORDPROTECTED", store.noteEntity);
    store.deleted = optional("ZMARKEDFORDELETION", store.noteEntity);
    store.folderType = optional("ZFOLDERTYPE", store.folderEntity);
    store.folderSmart = optional("ZSMARTFOLDERQUERYJSON", store.folderEntity);
    store.folderHidden = optional("ZISHIDDENNOTECONTAINER", store.folderEntity);
    store.attachmentType = optional("ZTYPEUTI", store.attachmentEntity);
    store.attachmentMedia = optional("ZMEDIA", store.attachmentEntity);
    store.attachmentTitle = optional("ZTITLE", store.attachmentEntity);
    store.attachmentUserTitle = optional("ZUSERTITLE", store.attachmentEntity);
    store.attachmentUrl = optional("ZURLSTRING", store.attachmentEntity);
    store.attachmentMergeable = optional("ZMERGEABLEDATA", store.attachmentEntity);
    store.mediaFileName = optional("ZFILENAME", store.mediaEntity);
    store.inlineText = optional("ZALTTEXT", store.inlineEntity);
    if (std::find(columns.begin(), columns.end(), "ZIDENTIFIER") == columns.end()) {
        store.attachmentEntity = store.inlineEntity = -1;  // attachments cannot be found
    }

    {
        Statement query(db, "SELECT Z_PK, " + store.accountName + " FROM " + kObjects +
                                " WHERE Z_ENT = ? AND IFNULL(" + store.deleted +
                                ", 0) = 0 ORDER BY Z_PK");
        query.bind(1, store.accountEntity);
        while (query.step()) store.accounts.push_back({query.integer(0), query.text(1), {}});
        if (!query.ok()) return "cannot read the database (" + store.sqliteFault() + ")";
    }
    struct Candidate {
        std::int64_t pk;
        std::string name;
        std::optional<std::int64_t> parent, owner;
    };
    std::vector<Candidate> candidates;
    {
        // Notes lists "Recently Deleted" (folder type 1) after the others; smart folders
        // (type 3, or with a query) hold no notes of their own.
        Statement query(db, "SELECT Z_PK, " + store.folderTitle + ", " + store.folderParent + ", " +
                                store.folderOwner + " FROM " + kObjects +
                                " WHERE Z_ENT = ? AND IFNULL(" + store.deleted +
                                ", 0) = 0 AND IFNULL(" + store.folderType + ", 0) != 3 AND " +
                                store.folderSmart + " IS NULL AND IFNULL(" + store.folderHidden +
                                ", 0) = 0 ORDER BY IFNULL(" + store.folderType + ", 0) = 1, Z_PK");
        query.bind(1, store.folderEntity);
        while (query.step()) {
            Candidate candidate{query.integer(0), query.text(1), std::nullopt, std::nullopt};
            if (!query.isNull(2)) candidate.parent = query.integer(2);
            if (!query.isNull(3)) candidate.owner = query.integer(3);
            candidates.push_back(std::move(candidate));
        }
        if (!query.ok()) return "cannot read the database (" + store.sqliteFault() + ")";
    }
    // Pre-order from each account's top folders; a folder whose parent is not shown is not
    // shown either, and a cycle of parents reaches no top folder.
    std::multimap<std::int64_t, std::size_t> childrenOf;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].parent) childrenOf.emplace(*candidates[i].parent, i);
    }
    for (std::size_t a = 0; a < store.accounts.size(); ++a) {
        std::vector<std::pair<std::size_t, std::optional<std::size_t>>> stack;  // candidate, parent
        for (std::size_t i = candidates.size(); i-- > 0;) {
            if (!candidates[i].parent && candidates[i].owner == store.accounts[a].pk) {
                stack.emplace_back(i, std::nullopt);
            }
        }
        while (!stack.empty()) {
            auto [i, parent] = stack.back();
            stack.pop_back();
            if (store.shownFolders.count(candidates[i].pk)) continue;
            const std::size_t index = store.folders.size();
            store.folders.push_back({candidates[i].pk, candidates[i].name, parent, a, {}});
            store.shownFolders.insert(candidates[i].pk);
            store.accounts[a].folders.push_back(index);
            if (parent) store.folders[*parent].children.push_back(index);
            auto [from, to] = childrenOf.equal_range(candidates[i].pk);
            std::vector<std::size_t> children;
            for (auto it = from; it != to; ++it) children.push_back(it->second);
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                stack.emplace_back(*it, index);
            }
        }
    }
    return {};
}

class StoreNote : public NoteStoreNote {
public:
    StoreNote(std::shared_ptr<Store> store, std::int64_t pk) : store_(std::move(store)), pk_(pk) {}

    Text name() const override { return text::fromUtf8(store_->note(pk_).title); }
    Text body() const override { return store_->body(pk_).html; }
    std::optional<Date> creationDate() const override { return store_->note(pk_).created; }
    std::optional<Date> modificationDate() const override { return store_->note(pk_).modified; }
    ElementList<NotesAttachment> attachments() const override {
        auto names = std::make_shared<std::vector<std::string>>(store_->body(pk_).attachmentNames);
        return ElementList<NotesAttachment>(
            [names] { return static_cast<std::uint64_t>(names->size()); },
            [names](std::uint64_t i) -> std::shared_ptr<NotesAttachment> {
                return std::make_shared<NamedAttachment>(text::fromUtf8((*names)[i]));
            });
    }
    std::string id() const override { return store_->objectId("ICNote", pk_); }
    bool passwordProtected() const override { return store_->note(pk_).passwordProtected; }

private:
    class NamedAttachment : public NotesAttachment {
    public:
        explicit NamedAttachment(Text name) : name_(std::move(name)) {}
        Text name() const override { return name_; }

    private:
        Text name_;
    };

    std::shared_ptr<Store> store_;
    std::int64_t pk_;
};

// The notes of a folder, or of every shown folder, listed when first asked.
ElementList<NotesNote> noteList(const std::shared_ptr<Store>& store,
                                std::optional<std::int64_t> folderPk) {
    auto pks = std::make_shared<std::optional<std::vector<std::int64_t>>>();
    auto load = [store, folderPk, pks]() -> const std::vector<std::int64_t>& {
        if (!*pks) *pks = store->notePks(folderPk);
        return **pks;
    };
    return ElementList<NotesNote>(
        [load] { return static_cast<std::uint64_t>(load().size()); },
        [load, store](std::uint64_t i) -> std::shared_ptr<NotesNote> {
            const auto& list = load();
            return i < list.size() ? std::make_shared<StoreNote>(store, list[i]) : nullptr;
        });
}

class StoreAccount : public NotesAccount {
public:
    StoreAccount(std::shared_ptr<Store> store, std::size_t index)
        : store_(std::move(store)), index_(index) {}
    std::optional<Text> id() const override {
        return text::fromUtf8(store_->objectId("ICAccount", store_->accounts[index_].pk));
    }
    Text name() const override { return text::fromUtf8(store_->accounts[index_].name); }
    ElementList<NotesFolder> folders() const override;

private:
    std::shared_ptr<Store> store_;
    std::size_t index_;
};

class StoreFolder : public NotesFolder {
public:
    StoreFolder(std::shared_ptr<Store> store, std::size_t index)
        : store_(std::move(store)), index_(index) {}
    std::optional<Text> id() const override {
        return text::fromUtf8(store_->objectId("ICFolder", row().pk));
    }
    Text name() const override { return text::fromUtf8(row().name); }
    ObjectReference<NotesContainer> container() const override {
        auto store = store_;
        const auto parent = row().parent;
        const auto account = row().account;
        return ObjectReference<NotesContainer>([store, parent, account] {
            return parent ? std::shared_ptr<NotesContainer>(
                                std::make_shared<StoreFolder>(store, *parent))
                          : std::make_shared<StoreAccount>(store, account);
        });
    }
    ElementList<NotesNote> notes() const override { return noteList(store_, row().pk); }
    ElementList<NotesFolder> folders() const override {
        auto store = store_;
        const auto index = index_;
        return ElementList<NotesFolder>(
            [store, index] { return store->folders[index].children.size(); },
            [store, index](std::uint64_t i) -> std::shared_ptr<NotesFolder> {
                return std::make_shared<StoreFolder>(store, store->folders[index].children[i]);
            });
    }

private:
    const FolderRow& row() const { return store_->folders[index_]; }
    std::shared_ptr<Store> store_;
    std::size_t index_;
};

ElementList<NotesFolder> StoreAccount::folders() const {
    auto store = store_;
    const auto index = index_;
    return ElementList<NotesFolder>(
        [store, index] { return store->accounts[index].folders.size(); },
        [store, index](std::uint64_t i) -> std::shared_ptr<NotesFolder> {
            return std::make_shared<StoreFolder>(store, store->accounts[index].folders[i]);
        });
}

class StoreApplication : public NotesApplication {
public:
    explicit StoreApplication(std::shared_ptr<Store> store) : store_(std::move(store)) {}
    ElementList<NotesAccount> accounts() const override {
        auto store = store_;
        return ElementList<NotesAccount>([store] { return store->accounts.size(); },
                                         [store](std::uint64_t i) -> std::shared_ptr<NotesAccount> {
                                             return std::make_shared<StoreAccount>(store, i);
                                         });
    }
    ElementList<NotesNote> notes() const override { return noteList(store_, std::nullopt); }

private:
    std::shared_ptr<Store> store_;
};

}  // namespace

bool looksLikeSqliteDatabase(const std::string& path) {
    static constexpr char kHeader[16] = "SQLite format 3";  // with its terminating zero
    // A FIFO or a device must not block the look or feed it without end.
    if (!isRegularFile(path)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char header[16];
    const ssize_t n = ::read(fd, header, sizeof header);
    ::close(fd);
    return n == static_cast<ssize_t>(sizeof header) && std::memcmp(header, kHeader, 16) == 0;
}

std::string noteStorePathIn(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        const std::string inside = path + (path.ends_with('/') ? "" : "/") + "NoteStore.sqlite";
        if (isRegularFile(inside)) return inside;
    }
    return path;
}

NoteStoreOpen openNoteStore(const std::string& path, NoteFaultReporter reportFault) {
    NoteStoreOpen open;
    auto store = std::make_shared<Store>();
    store->shown = shownPath(path);
    store->report = std::move(reportFault);
    off_t walSize = 0;
    int status;
    if (isRegularFile(path + "-wal", &walSize) && walSize > 0) {
        // The changes in the -wal file count; reading them in place would write a -shm file
        // beside the database, so both are read from a private copy.
        std::string fault;
        store->copy = std::make_unique<TemporaryCopy>();
        const std::string copy = store->copy->make(path, fault);
        if (copy.empty()) {
            open.error = store->shown + ": " + fault;
            return open;
        }
        status = sqlite3_open_v2(copy.c_str(), &store->db, SQLITE_OPEN_READWRITE, nullptr);
    } else {
        status = sqlite3_open_v2(fileUri(path, "immutable=1").c_str(), &store->db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    }
    if (status != SQLITE_OK) {
        open.error = store->shown + ": cannot open the database (" + store->sqliteFault() + ")";
        return open;
    }
    if (auto fault = readLayout(*store); !fault.empty()) {
        open.error = store->shown + ": " + fault;
        return open;
    }
    open.application = std::make_shared<StoreApplication>(std::move(store));
    return open;
}

}  // namespace quillmere
