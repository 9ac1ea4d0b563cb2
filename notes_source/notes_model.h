#pragma once
// What the import reads of Apple's Notes: the scripting object model, as interfaces that each
// backend implements (in memory, a Notes library file, Notes' own database NoteStore.sqlite).
//
// A missing name or body reads as empty text; a missing `id` is std::nullopt, which differs from
// an empty one. Dates keep microseconds. Objects are shared; every read asks the backend.
//
//   auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
//   if (notes && notes->accounts().count() > 0) {
//       auto account = notes->accounts().firstObject();
//       for (auto folder : account->folders()) { ... folder->container().get()->id() ... }
//   }

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "notes_source/attachment_file.h"
#include "notes_source/element_list.h"
#include "platform/date.h"
#include "platform/text/text.h"

namespace quillmere {

class NotesAttachment {
public:
    virtual ~NotesAttachment() = default;
    virtual Text name() const = 0;
    // The attachment's file, for sources that keep files beside their notes; the others answer
    // `notKept`. Each call looks afresh.
    virtual AttachmentFile file() const { return {}; }
};

// Whether a note was locked with a password and whether the run opened it.
enum class LockState {
    unlocked,  // never locked
    opened,    // locked, and a password given opened it: its body is the real one
    locked,    // still locked: its body reads as empty, its file holds the title alone
};

class NotesNote {
public:
    virtual ~NotesNote() = default;
    virtual Text name() const = 0;  // the title
    virtual Text body() const = 0;  // HTML; empty for a note that stays locked
    virtual std::optional<Date> creationDate() const = 0;
    virtual std::optional<Date> modificationDate() const = 0;
    virtual ElementList<NotesAttachment> attachments() const = 0;
    // Whether reading this note's properties has no effect anyone can see (no log line), so that
    // an export may read it ahead of writing the notes before it. A backend that reports faults
    // as it reads keeps the default.
    virtual bool readsWithoutEffects() const { return false; }
    // For a note whose reading may log: asks it to hold those lines back until logHeldLines(),
    // so that it may be read ahead of writing the notes before it and its lines still come in
    // its turn. False when it must be read in its turn all the same (reading it may ask for a
    // password); what asking logged is held either way.
    virtual bool holdLinesWhileRead() { return false; }
    // Logs the lines held since holdLinesWhileRead(), in order, and holds no more.
    virtual void logHeldLines() {}
    // Known once the body has been read.
    virtual LockState lockState() const { return LockState::unlocked; }
    bool locked() const { return lockState() == LockState::locked; }
    // False when the note's content could not be read (damaged, over its budget): its body
    // reads empty and the backend has logged why. Known once the body has been read.
    virtual bool readable() const { return true; }
};

// An account or a folder: what a folder's `container` resolves to.
class NotesContainer {
public:
    virtual ~NotesContainer() = default;
    virtual std::optional<Text> id() const = 0;
    virtual Text name() const = 0;
};

class NotesFolder;

// A reference to another object that `get` resolves.
template <class Object>
class ObjectReference {
public:
    explicit ObjectReference(std::function<std::shared_ptr<Object>()> resolve)
        : resolve_(std::move(resolve)) {}
    // The object referred to; null when it cannot be resolved.
    std::shared_ptr<Object> get() const { return resolve_ ? resolve_() : nullptr; }

private:
    std::function<std::shared_ptr<Object>()> resolve_;
};

class NotesFolder : public NotesContainer {
public:
    virtual ObjectReference<NotesContainer> container() const = 0;
    virtual ElementList<NotesNote> notes() const = 0;
    // The direct sub-folders.
    virtual ElementList<NotesFolder> folders() const = 0;
    // Whether this is the account's "Recently Deleted" folder.
    virtual bool isRecentlyDeleted() const { return false; }
};

class NotesAccount : public NotesContainer {
public:
    // Every folder of the account, nested ones included, in pre-order.
    virtual ElementList<NotesFolder> folders() const = 0;
};

class NotesApplication {
public:
    virtual ~NotesApplication() = default;
    virtual ElementList<NotesAccount> accounts() const = 0;
    // Every note of every account.
    virtual ElementList<NotesNote> notes() const = 0;
};

// Finds the Notes application by its bundle identifier ("com.apple.notes"). The front end decides
// what the lookup opens (for example the Notes library file the user chose).
class NotesLookup {
public:
    virtual ~NotesLookup() = default;
    // None when Notes is not there. An application with 0 accounts when it cannot be read.
    virtual std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) = 0;
    // Why the last lookup found nothing or nothing readable, in one sentence that names what
    // was looked for (a file or a folder); none when it read or when the lookup cannot tell.
    virtual std::optional<std::string> lastProblem() const { return std::nullopt; }
};

}  // namespace quillmere
