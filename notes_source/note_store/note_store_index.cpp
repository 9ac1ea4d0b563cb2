#include "notes_source/note_store/note_store_index.h"

#include <algorithm>

#include "notes_source/note_store/sqlite_statement.h"

namespace quillmere::note_store {

namespace {

// Adds the unfiled folder of account `a` and answers its index.
std::size_t addUnfiledFolder(StoreLayout& layout, std::size_t a) {
    const std::size_t index = layout.folders.size();
    FolderRow row{0, kUnfiledFolderName, std::nullopt, a, {}};
    row.unfiled = true;
    layout.folders.push_back(std::move(row));
    auto& folders = layout.accounts[a].folders;
    // Notes lists "Recently Deleted" last, and so does the export.
    auto trash = std::find_if(folders.begin(), folders.end(), [&](std::size_t f) {
        return layout.folders[f].trash && !layout.folders[f].parent;
    });
    folders.insert(trash, index);
    return index;
}

}  // namespace

std::string readNoteIndex(
    sqlite3* db, StoreLayout& layout, NoteIndex& index,
    const std::function<void(const std::string& title, std::int64_t pk)>& logUnlisted) {
    std::unordered_map<std::int64_t, std::size_t> accountIndex;
    for (std::size_t a = 0; a < layout.accounts.size(); ++a) {
        accountIndex.emplace(layout.accounts[a].pk, a);
    }
    // One pass over the notes, in the order every list keeps; the folder of each is looked up
    // in memory, so no query depends on which index the planner picks.
    Statement query(db, "SELECT Z_PK, " + layout.noteFolder + ", " + layout.noteAccount + ", " +
                            layout.noteTitle + " FROM " + kObjects +
                            " WHERE Z_ENT = ? AND IFNULL(" + layout.deleted + ", 0) = 0 ORDER BY " +
                            layout.noteModified + " DESC, Z_PK DESC");
    query.bind(1, layout.noteEntity);
    index.notesOfFolder.assign(layout.folders.size(), {});
    std::vector<std::optional<std::size_t>> unfiledOf(layout.accounts.size());
    while (query.step()) {
        const std::int64_t pk = query.integer(0);
        std::optional<std::size_t> folder;
        std::optional<std::int64_t> folderPk;
        if (!query.isNull(1)) {
            folderPk = query.integer(1);
            if (auto shown = layout.folderIndex.find(*folderPk);
                shown != layout.folderIndex.end()) {
                folder = shown->second;
            }
        }
        if (!folder) {
            // The note's own account, else its folder's, else the first.
            std::optional<std::size_t> account;
            auto known = [&](std::int64_t accountPk) {
                if (auto found = accountIndex.find(accountPk); found != accountIndex.end()) {
                    account = found->second;
                }
            };
            if (!query.isNull(2)) known(query.integer(2));
            if (!account && folderPk) {
                if (auto owner = layout.folderOwners.find(*folderPk);
                    owner != layout.folderOwners.end()) {
                    known(owner->second);
                }
            }
            if (!account && !layout.accounts.empty()) account = 0;
            if (!account) {
                if (logUnlisted) logUnlisted(query.text(3), pk);
                continue;
            }
            if (!unfiledOf[*account]) {
                unfiledOf[*account] = addUnfiledFolder(layout, *account);
                index.notesOfFolder.emplace_back();
            }
            folder = unfiledOf[*account];
        }
        index.notesOfFolder[*folder].push_back(pk);
        index.allNotes.push_back(pk);
    }
    if (!query.ok()) return std::string("cannot list the notes (") + sqlite3_errmsg(db) + ")";
    return {};
}

}  // namespace quillmere::note_store
