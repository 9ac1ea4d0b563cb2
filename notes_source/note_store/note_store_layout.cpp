#include "notes_source/note_store/note_store_layout.h"

#include <algorithm>
#include <map>
#include <set>

#include "notes_source/note_store/sqlite_statement.h"

namespace quillmere::note_store {

namespace {

// The name of `column` without its numeric suffix.
std::string baseOf(const std::string& column) {
    return column.substr(0, column.find_last_not_of("0123456789") + 1);
}

// How many rows of each entity hold a value in each column whose name differs from another's
// only by its numeric suffix, counted in one pass over the table (a pass per column costs a
// scan of every note each).
class SuffixedColumnCounts {
public:
    SuffixedColumnCounts(sqlite3* db, const std::vector<std::string>& columns) {
        std::map<std::string, int> variants;
        for (const auto& column : columns) ++variants[baseOf(column)];
        std::string sql = "SELECT Z_ENT";
        for (const auto& column : columns) {
            if (variants[baseOf(column)] < 2) continue;
            counted_.push_back(column);
            sql += ", COUNT(" + column + ")";
        }
        if (counted_.empty()) return;
        Statement query(db, sql + " FROM " + kObjects + " GROUP BY Z_ENT");
        while (query.step()) {
            auto& counts = counts_[static_cast<int>(query.integer(0))];
            for (std::size_t i = 0; i < counted_.size(); ++i) {
                counts[counted_[i]] = query.integer(static_cast<int>(i + 1));
            }
        }
    }
    // The count for `column` and `entity`: 0 when none was taken.
    std::int64_t count(int entity, const std::string& column) const {
        const auto counts = counts_.find(entity);
        if (counts == counts_.end()) return 0;
        const auto found = counts->second.find(column);
        return found == counts->second.end() ? 0 : found->second;
    }

private:
    std::vector<std::string> counted_;
    std::map<int, std::map<std::string, std::int64_t>> counts_;
};

// Finds the column for `base` of the rows of `entity`: the one of base, base1, base2… that
// holds the most values for them, as the suffixes move between macOS versions.
std::string findColumn(const SuffixedColumnCounts& counts, const std::vector<std::string>& columns,
                       const std::string& base, int entity) {
    std::vector<std::string> candidates;
    for (const auto& column : columns) {
        if (baseOf(column) == base) candidates.push_back(column);
    }
    if (candidates.size() <= 1 || entity < 0) return candidates.empty() ? "" : candidates.front();
    std::size_t best = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (counts.count(entity, candidates[i]) > counts.count(entity, candidates[best])) best = i;
    }
    return candidates[best];
}

}  // namespace

std::string readLayout(sqlite3* db, StoreLayout& store) {
    auto sqliteFault = [db] { return std::string(sqlite3_errmsg(db)); };
    {
        Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
        std::set<std::string> names;
        while (tables.step()) names.insert(tables.text(0));
        if (!tables.ok()) return "cannot read the database (" + sqliteFault() + ")";
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
        if (!query.ok()) return "cannot read the database (" + sqliteFault() + ")";
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
        if (!query.ok()) return "cannot read the database (" + sqliteFault() + ")";
    }
    const SuffixedColumnCounts counts(db, columns);
    std::string missing;
    auto required = [&](const char* base, int entity) {
        auto column = findColumn(counts, columns, base, entity);
        if (column.empty() && missing.empty()) missing = base;
        return column;
    };
    auto optional = [&](const char* base, int entity) {
        auto column = findColumn(counts, columns, base, entity);
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
    {
        // The IV and the tag belong to the note data; older layouts keep them in the note's row.
        std::set<std::string> dataColumns;
        Statement query(db, "SELECT name FROM pragma_table_info('ZICNOTEDATA')");
        while (query.step()) dataColumns.insert(query.text(0));
        auto noteColumn = [&](const char* base) {
            const std::string column = optional(base, store.noteEntity);
            return column == "NULL" ? column : "n." + column;
        };
        auto dataColumn = [&](const char* column) {
            return dataColumns.count(column)
                       ? "IFNULL(d." + std::string(column) + ", " + noteColumn(column) + ")"
                       : noteColumn(column);
        };
        store.lockedColumns =
            noteColumn("ZCRYPTOSALT") + ", " + noteColumn("ZCRYPTOITERATIONCOUNT") + ", " +
            noteColumn("ZCRYPTOWRAPPEDKEY") + ", " + noteColumn("ZPASSWORDHINT") + ", " +
            dataColumn("ZCRYPTOINITIALIZATIONVECTOR") + ", " + dataColumn("ZCRYPTOTAG");
    }
    store.noteAccount = optional("ZACCOUNT", store.noteEntity);
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
        if (!query.ok()) return "cannot read the database (" + sqliteFault() + ")";
    }
    struct Candidate {
        std::int64_t pk;
        std::string name;
        std::optional<std::int64_t> parent, owner;
        bool trash;
    };
    std::vector<Candidate> candidates;
    {
        // Notes lists "Recently Deleted" (folder type 1) after the others; smart folders
        // (type 3, or with a query) hold no notes of their own.
        Statement query(db, "SELECT Z_PK, " + store.folderTitle + ", " + store.folderParent + ", " +
                                store.folderOwner + ", IFNULL(" + store.folderType +
                                ", 0) = 1 FROM " + kObjects + " WHERE Z_ENT = ? AND IFNULL(" +
                                store.deleted + ", 0) = 0 AND IFNULL(" + store.folderType +
                                ", 0) != 3 AND " + store.folderSmart + " IS NULL AND IFNULL(" +
                                store.folderHidden + ", 0) = 0 ORDER BY IFNULL(" +
                                store.folderType + ", 0) = 1, Z_PK");
        query.bind(1, store.folderEntity);
        while (query.step()) {
            Candidate candidate{query.integer(0), query.text(1), std::nullopt, std::nullopt,
                                query.integer(4) != 0};
            if (!query.isNull(2)) candidate.parent = query.integer(2);
            if (!query.isNull(3)) {
                candidate.owner = query.integer(3);
                store.folderOwners.emplace(candidate.pk, *candidate.owner);
            }
            candidates.push_back(std::move(candidate));
        }
        if (!query.ok()) return "cannot read the database (" + sqliteFault() + ")";
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
            if (store.folderIndex.count(candidates[i].pk)) continue;
            const std::size_t index = store.folders.size();
            FolderRow row{candidates[i].pk, candidates[i].name, parent, a, {}};
            row.trash = candidates[i].trash;
            store.folders.push_back(std::move(row));
            store.folderIndex.emplace(candidates[i].pk, index);
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

}  // namespace quillmere::note_store
