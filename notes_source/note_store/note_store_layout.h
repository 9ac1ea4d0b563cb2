#pragma once
// What a Notes database's schema says about it (its entities, the names its columns have in this
// macOS version, its store UUID) and its folder tree as Notes lists it: accounts, then each
// account's folders in pre-order, "Recently Deleted" after the others, nothing marked for
// deletion, no smart or hidden folders.
//
//   StoreLayout layout;
//   if (auto fault = readLayout(db, layout); !fault.empty()) log(fault);
//   else for (const auto& account : layout.accounts) ...

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillmere::note_store {

inline constexpr const char* kObjects = "ZICCLOUDSYNCINGOBJECT";

struct AccountRow {
    std::int64_t pk;
    std::string name;
    std::vector<std::size_t> folders;  // indexes into StoreLayout::folders, pre-order
};

struct FolderRow {
    std::int64_t pk;
    std::string name;
    std::optional<std::size_t> parent;  // index into StoreLayout::folders; none: the account
    std::size_t account;                // index into StoreLayout::accounts
    std::vector<std::size_t> children;
    bool trash = false;    // "Recently Deleted"
    bool unfiled = false;  // holds the account's notes that no shown folder holds
};

struct StoreLayout {
    std::string uuid;  // the store's UUID, from Z_METADATA

    int noteEntity = -1, folderEntity = -1, accountEntity = -1;
    int attachmentEntity = -1, mediaEntity = -1, inlineEntity = -1;
    // Column names found in the schema; "NULL" for an optional one that is not there.
    std::string noteTitle, noteFolder, noteData, noteCreated, noteModified, notePassword,
        noteAccount;
    std::string deleted, folderTitle, folderParent, folderOwner, folderType, folderSmart,
        folderHidden, accountName;
    std::string attachmentType, attachmentMedia, attachmentTitle, attachmentUserTitle,
        attachmentUrl, attachmentMergeable, mediaFileName, inlineText;
    // What a locked note stores beside its data, for a query of the note as "n" joined to its
    // note data as "d": salt, iteration count, wrapped key, hint, IV, tag.
    std::string lockedColumns = "NULL, NULL, NULL, NULL, NULL, NULL";

    std::vector<AccountRow> accounts;
    std::vector<FolderRow> folders;
    std::unordered_map<std::int64_t, std::size_t> folderIndex;  // primary key -> `folders`
    // The owning account's primary key of every folder read, shown or not.
    std::unordered_map<std::int64_t, std::int64_t> folderOwners;
};

// Reads the layout, the accounts and the folders of the database open as `db`; answers the
// fault (one phrase, without the file's name), or empty.
std::string readLayout(sqlite3* db, StoreLayout& store);

}  // namespace quillmere::note_store
