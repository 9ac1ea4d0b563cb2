#pragma once
// The Notes object model of a Notes library file, held compactly: every string stays in one
// UTF-8 store and becomes Text only when it is read, and the objects sit in flat arrays that
// refer to each other by index. The reader (notes_library_reader.h) fills it; afterwards it is
// read-only.
//
// Objects handed out share ownership of the whole library, so a note or folder stays valid as
// long as anyone holds it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes_source/notes_model.h"

namespace quillmere::notes_library {

class Library;

// A string in the library's store.
struct StoredString {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

inline constexpr std::uint32_t kNoIndex = UINT32_MAX;

// What a folder's container resolves to.
struct ContainerRef {
    enum class Kind : std::uint8_t { Account, Folder, Detached };
    Kind kind = Kind::Account;
    std::uint32_t index = 0;
};

class AttachmentNode : public NotesAttachment {
public:
    explicit AttachmentNode(Library* library) : library_(library) {}
    Text name() const override;

    StoredString title;

private:
    Library* library_;
};

class NoteNode : public NotesNote {
public:
    explicit NoteNode(Library* library) : library_(library) {}
    Text name() const override;
    Text body() const override;
    std::optional<Date> creationDate() const override { return created; }
    std::optional<Date> modificationDate() const override { return modified; }
    ElementList<NotesAttachment> attachments() const override;
    // The library is read whole before the run; its notes are plain values.
    bool readsWithoutEffects() const override { return true; }
    // A library file holds no ciphertext: a locked note of it stays locked.
    LockState lockState() const override {
        return locked ? LockState::locked : LockState::unlocked;
    }

    StoredString title;
    StoredString html;
    std::optional<Date> created;
    std::optional<Date> modified;
    std::uint32_t attachmentBegin = 0;
    std::uint32_t attachmentEnd = 0;
    bool locked = false;

private:
    Library* library_;
};

// A container that the file names but does not hold: one without an id (`"container": null`)
// or one whose id no account or folder of the account has.
class DetachedContainer : public NotesContainer {
public:
    DetachedContainer(Library* library, std::optional<StoredString> identifier)
        : identifier(identifier), library_(library) {}
    std::optional<Text> id() const override;
    Text name() const override { return {}; }

    std::optional<StoredString> identifier;

private:
    Library* library_;
};

class FolderNode : public NotesFolder {
public:
    explicit FolderNode(Library* library) : library_(library) {}
    std::optional<Text> id() const override;
    Text name() const override;
    ObjectReference<NotesContainer> container() const override;
    ElementList<NotesNote> notes() const override;
    ElementList<NotesFolder> folders() const override;

    std::optional<StoredString> identifier;
    StoredString title;
    ContainerRef containerRef;
    std::uint32_t account = 0;
    std::uint32_t parent = kNoIndex;  // the enclosing folder, or none for a top-level one
    std::uint32_t noteBegin = 0;
    std::uint32_t noteEnd = 0;
    std::uint32_t childBegin = 0;  // into Library::childIndices
    std::uint32_t childEnd = 0;

private:
    Library* library_;
};

class AccountNode : public NotesAccount {
public:
    explicit AccountNode(Library* library) : library_(library) {}
    std::optional<Text> id() const override;
    Text name() const override;
    ElementList<NotesFolder> folders() const override;

    std::optional<StoredString> identifier;
    StoredString title;
    std::uint32_t folderBegin = 0;  // the account's folders are contiguous, in pre-order
    std::uint32_t folderEnd = 0;

private:
    Library* library_;
};

class Library : public NotesApplication, public std::enable_shared_from_this<Library> {
public:
    ElementList<NotesAccount> accounts() const override;
    ElementList<NotesNote> notes() const override;

    // Appends to the store.
    StoredString store(std::string_view bytes);
    std::string_view bytes(StoredString stored) const;
    Text text(StoredString stored) const;
    std::optional<Text> text(const std::optional<StoredString>& stored) const;

    // The object a container reference stands for, sharing ownership of the library.
    std::shared_ptr<NotesContainer> containerOf(ContainerRef ref);

    // The list of `nodes[begin, end)`.
    template <class Element, class Node>
    ElementList<Element> range(std::vector<Node> Library::*nodes, std::uint32_t begin,
                               std::uint32_t end);
    // The list of the folders that `childIndices[begin, end)` name.
    ElementList<NotesFolder> children(std::uint32_t begin, std::uint32_t end);

    std::string strings;
    std::vector<AccountNode> accountNodes;
    std::vector<FolderNode> folderNodes;  // in pre-order across the file
    std::vector<NoteNode> noteNodes;      // in file order: what the application's notes answers
    std::vector<AttachmentNode> attachmentNodes;
    std::vector<DetachedContainer> detachedNodes;
    std::vector<std::uint32_t> childIndices;  // each folder's direct sub-folders, grouped
};

template <class Element, class Node>
ElementList<Element> Library::range(std::vector<Node> Library::*nodes, std::uint32_t begin,
                                    std::uint32_t end) {
    auto self = shared_from_this();
    return ElementList<Element>(
        [begin, end] { return static_cast<std::uint64_t>(end - begin); },
        [self, nodes, begin, end](std::uint64_t index) -> std::shared_ptr<Element> {
            if (index >= end - begin) return nullptr;
            return std::shared_ptr<Element>(self, &((*self).*nodes)[begin + index]);
        });
}

}  // namespace quillmere::notes_library
