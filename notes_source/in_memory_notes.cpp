#include "notes_source/in_memory_notes.h"

namespace quillmere::in_memory {

namespace {

// A list that reads the owner's vector afresh on every request and keeps the owner alive.
template <class Element, class Owner, class Stored>
ElementList<Element> liveList(std::shared_ptr<const Owner> owner,
                              std::vector<std::shared_ptr<Stored>> Owner::*member) {
    return ElementList<Element>(
        [owner, member] { return static_cast<std::uint64_t>(((*owner).*member).size()); },
        [owner, member](std::uint64_t index) -> std::shared_ptr<Element> {
            const auto& elements = (*owner).*member;
            return index < elements.size() ? elements[index] : nullptr;
        });
}

}  // namespace

ElementList<NotesAttachment> Note::attachments() const {
    return liveList<NotesAttachment>(shared_from_this(), &Note::attachmentList);
}

void Folder::setDetachedContainer(std::optional<Text> containerId, Text containerName) {
    heldContainer = std::make_shared<Container>(std::move(containerId), std::move(containerName));
    containerObject = heldContainer;
}

ObjectReference<NotesContainer> Folder::container() const {
    auto self = shared_from_this();
    return ObjectReference<NotesContainer>([self] { return self->containerObject.lock(); });
}

ElementList<NotesNote> Folder::notes() const {
    return liveList<NotesNote>(shared_from_this(), &Folder::noteList);
}

ElementList<NotesFolder> Folder::folders() const {
    return liveList<NotesFolder>(shared_from_this(), &Folder::subfolders);
}

ElementList<NotesFolder> Account::folders() const {
    return liveList<NotesFolder>(shared_from_this(), &Account::folderList);
}

ElementList<NotesAccount> Application::accounts() const {
    return liveList<NotesAccount>(shared_from_this(), &Application::accountList);
}

ElementList<NotesNote> Application::notes() const {
    return liveList<NotesNote>(shared_from_this(), &Application::allNotes);
}

std::shared_ptr<NotesApplication> Lookup::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    requestedIdentifiers.push_back(bundleIdentifier);
    return bundleIdentifier == "com.apple.notes" ? application : nullptr;
}

std::shared_ptr<Note> makeNote(Text title, Text html, std::vector<Text> attachmentNames) {
    auto note = std::make_shared<Note>(std::move(title), std::move(html));
    for (auto& attachmentName : attachmentNames) {
        note->attachmentList.push_back(std::make_shared<Attachment>(std::move(attachmentName)));
    }
    return note;
}

std::shared_ptr<Folder> makeFolder(const FolderTree& tree,
                                   const std::shared_ptr<NotesContainer>& container,
                                   std::vector<std::shared_ptr<Folder>>* preOrder) {
    auto made = std::make_shared<Folder>(tree.id, tree.name);
    made->containerObject = container;
    made->noteList = tree.notes;
    if (preOrder) {
        preOrder->push_back(made);
    }
    for (const auto& child : tree.folders) {
        made->subfolders.push_back(makeFolder(child, made, preOrder));
    }
    return made;
}

std::shared_ptr<Account> makeAccount(std::optional<Text> id, Text name,
                                     std::vector<FolderTree> folders) {
    auto account = std::make_shared<Account>(std::move(id), std::move(name));
    for (const auto& tree : folders) {
        makeFolder(tree, account, &account->folderList);
    }
    return account;
}

std::vector<std::shared_ptr<Note>> notesOf(const Account& account) {
    std::vector<std::shared_ptr<Note>> notes;
    for (const auto& folder : account.folderList) {
        notes.insert(notes.end(), folder->noteList.begin(), folder->noteList.end());
    }
    return notes;
}

std::shared_ptr<Application> makeApplication(std::vector<std::shared_ptr<Account>> accounts) {
    auto application = std::make_shared<Application>();
    application->accountList = std::move(accounts);
    for (const auto& account : application->accountList) {
        auto notes = notesOf(*account);
        application->allNotes.insert(application->allNotes.end(), notes.begin(), notes.end());
    }
    return application;
}

}  // namespace quillmere::in_memory
