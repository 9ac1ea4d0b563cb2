#pragma once
// A Notes object model held in memory and built in code, for tests. Every object is a plain,
// mutable structure whose public members are what its reads answer; lists are read live, so a
// test may change the model between two reads.
//
//   using namespace quillmere::in_memory;
//   auto account = makeAccount(u"acc-1", u"iCloud",
//                              {folder(u"f-1", u"Recipes", {makeNote(u"Pancakes",
//                              u"<div>…</div>")},
//                                      {folder(u"f-2", u"Desserts")})});
//   auto notes = makeApplication({account});        // allNotes: every note of every folder
//   Lookup lookup(notes);                           // answers it for "com.apple.notes"
//
// The builders cover the common cases; the members express the unusual ones directly: a folder
// listed under an account it does not belong to (push it onto that account's folderList), a
// container without an id (Folder::setDetachedContainer), notes that only the application's
// `notes` counts (push onto allNotes), missing names and bodies (leave them empty).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes_source/notes_model.h"

namespace quillmere::in_memory {

class Attachment : public NotesAttachment {
public:
    Attachment() = default;
    explicit Attachment(Text name) : attachmentName(std::move(name)) {}

    Text attachmentName;            // empty: an attachment without a name
    AttachmentFile attachmentFile;  // notKept unless a test gives it a file

    Text name() const override { return attachmentName; }
    AttachmentFile file() const override { return attachmentFile; }
};

class Note : public NotesNote, public std::enable_shared_from_this<Note> {
public:
    Note() = default;
    Note(Text title, Text html) : title(std::move(title)), html(std::move(html)) {}

    Text title;  // empty: a note without a name
    Text html;   // empty: a note without a body (or a locked one)
    std::optional<Date> created;
    std::optional<Date> modified;
    std::vector<std::shared_ptr<Attachment>> attachmentList;
    LockState lock = LockState::unlocked;

    Text name() const override { return title; }
    Text body() const override { return html; }
    bool readsWithoutEffects() const override { return true; }
    std::optional<Date> creationDate() const override { return created; }
    std::optional<Date> modificationDate() const override { return modified; }
    ElementList<NotesAttachment> attachments() const override;
    LockState lockState() const override { return lock; }
};

// A bare account or folder, for a container that no list holds.
class Container : public NotesContainer {
public:
    Container(std::optional<Text> identifier, Text containerName)
        : identifier(std::move(identifier)), containerName(std::move(containerName)) {}

    std::optional<Text> identifier;
    Text containerName;

    std::optional<Text> id() const override { return identifier; }
    Text name() const override { return containerName; }
};

class Folder : public NotesFolder, public std::enable_shared_from_this<Folder> {
public:
    Folder() = default;
    Folder(std::optional<Text> identifier, Text folderName)
        : identifier(std::move(identifier)), folderName(std::move(folderName)) {}

    std::optional<Text> identifier;  // nullopt: the folder has no id
    Text folderName;                 // empty: a folder without a name
    // What container().get() resolves to; expired or empty: the reference does not resolve.
    std::weak_ptr<NotesContainer> containerObject;
    // Keeps a container alive that nothing else holds (see setDetachedContainer).
    std::shared_ptr<NotesContainer> heldContainer;
    std::vector<std::shared_ptr<Note>> noteList;
    std::vector<std::shared_ptr<Folder>> subfolders;  // what folders() answers
    bool recentlyDeleted = false;

    // Makes the container a bare object that no list holds, e.g. one without an id.
    void setDetachedContainer(std::optional<Text> containerId, Text containerName = {});

    std::optional<Text> id() const override { return identifier; }
    Text name() const override { return folderName; }
    ObjectReference<NotesContainer> container() const override;
    ElementList<NotesNote> notes() const override;
    ElementList<NotesFolder> folders() const override;
    bool isRecentlyDeleted() const override { return recentlyDeleted; }
};

class Account : public NotesAccount, public std::enable_shared_from_this<Account> {
public:
    Account() = default;
    Account(std::optional<Text> identifier, Text accountName)
        : identifier(std::move(identifier)), accountName(std::move(accountName)) {}

    std::optional<Text> identifier;  // nullopt: the account has no id
    Text accountName;
    // Exactly what folders() answers: normally every folder of the account in pre-order, but a
    // test may list any folders here, also ones whose container is elsewhere.
    std::vector<std::shared_ptr<Folder>> folderList;

    std::optional<Text> id() const override { return identifier; }
    Text name() const override { return accountName; }
    ElementList<NotesFolder> folders() const override;
};

class Application : public NotesApplication, public std::enable_shared_from_this<Application> {
public:
    std::vector<std::shared_ptr<Account>> accountList;
    // What notes() answers; may hold notes that no folder lists, or miss some that one does.
    std::vector<std::shared_ptr<Note>> allNotes;

    ElementList<NotesAccount> accounts() const override;
    ElementList<NotesNote> notes() const override;
};

// Answers `application` for "com.apple.notes" and none for any other bundle identifier.
class Lookup : public NotesLookup {
public:
    Lookup() = default;
    explicit Lookup(std::shared_ptr<NotesApplication> application)
        : application(std::move(application)) {}

    std::shared_ptr<NotesApplication> application;  // null: Notes is missing
    std::vector<std::string> requestedIdentifiers;  // every identifier asked for, in order

    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;
};

// ---- Builders for the common cases ----

// A folder tree to build: a folder, its notes and its sub-folders.
struct FolderTree {
    std::optional<Text> id;
    Text name;
    std::vector<std::shared_ptr<Note>> notes;
    std::vector<FolderTree> folders;
};

inline FolderTree folder(std::optional<Text> id, Text name,
                         std::vector<std::shared_ptr<Note>> notes = {},
                         std::vector<FolderTree> folders = {}) {
    return FolderTree{std::move(id), std::move(name), std::move(notes), std::move(folders)};
}

// A note with a title, a body and attachments of the given names; no dates.
std::shared_ptr<Note> makeNote(Text title, Text html = {}, std::vector<Text> attachmentNames = {});

// An account with the given folder trees. Each folder's container is its enclosing folder, or
// the account for a top-level one; the account's folderList holds every folder in pre-order.
std::shared_ptr<Account> makeAccount(std::optional<Text> id, Text name,
                                     std::vector<FolderTree> folders = {});

// Builds one folder tree (and everything below it) whose container is `container`; appends
// every folder it makes to `preOrder` when given.
std::shared_ptr<Folder> makeFolder(const FolderTree& tree,
                                   const std::shared_ptr<NotesContainer>& container,
                                   std::vector<std::shared_ptr<Folder>>* preOrder = nullptr);

// An application with the given accounts whose allNotes holds every note of every account's
// folderList, in order.
std::shared_ptr<Application> makeApplication(std::vector<std::shared_ptr<Account>> accounts);

// Every note of every folder of an account's folderList, in order.
std::vector<std::shared_ptr<Note>> notesOf(const Account& account);

}  // namespace quillmere::in_memory
