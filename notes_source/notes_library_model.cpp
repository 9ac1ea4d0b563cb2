#include "notes_source/notes_library_model.h"

namespace quillmere::notes_library {

Text AttachmentNode::name() const { return library_->text(title); }

Text NoteNode::name() const { return library_->text(title); }

Text NoteNode::body() const { return locked ? Text() : library_->text(html); }

ElementList<NotesAttachment> NoteNode::attachments() const {
    return library_->range<NotesAttachment>(&Library::attachmentNodes, attachmentBegin,
                                            attachmentEnd);
}

std::optional<Text> DetachedContainer::id() const { return library_->text(identifier); }

std::optional<Text> FolderNode::id() const { return library_->text(identifier); }

Text FolderNode::name() const { return library_->text(title); }

ObjectReference<NotesContainer> FolderNode::container() const {
    auto library = library_->shared_from_this();
    const ContainerRef ref = containerRef;
    return ObjectReference<NotesContainer>([library, ref] { return library->containerOf(ref); });
}

ElementList<NotesNote> FolderNode::notes() const {
    return library_->range<NotesNote>(&Library::noteNodes, noteBegin, noteEnd);
}

ElementList<NotesFolder> FolderNode::folders() const {
    return library_->children(childBegin, childEnd);
}

std::optional<Text> AccountNode::id() const { return library_->text(identifier); }

Text AccountNode::name() const { return library_->text(title); }

ElementList<NotesFolder> AccountNode::folders() const {
    return library_->range<NotesFolder>(&Library::folderNodes, folderBegin, folderEnd);
}

ElementList<NotesAccount> Library::accounts() const {
    return const_cast<Library*>(this)->range<NotesAccount>(
        &Library::accountNodes, 0, static_cast<std::uint32_t>(accountNodes.size()));
}

ElementList<NotesNote> Library::notes() const {
    return const_cast<Library*>(this)->range<NotesNote>(
        &Library::noteNodes, 0, static_cast<std::uint32_t>(noteNodes.size()));
}

StoredString Library::store(std::string_view bytes) {
    StoredString stored{strings.size(), bytes.size()};
    strings.append(bytes);
    return stored;
}

std::string_view Library::bytes(StoredString stored) const {
    return std::string_view(strings).substr(stored.offset, stored.length);
}

Text Library::text(StoredString stored) const { return text::fromUtf8(bytes(stored)); }

std::optional<Text> Library::text(const std::optional<StoredString>& stored) const {
    if (!stored) return std::nullopt;
    return text(*stored);
}

std::shared_ptr<NotesContainer> Library::containerOf(ContainerRef ref) {
    auto self = shared_from_this();
    switch (ref.kind) {
        case ContainerRef::Kind::Account:
            return std::shared_ptr<NotesContainer>(self, &accountNodes[ref.index]);
        case ContainerRef::Kind::Folder:
            return std::shared_ptr<NotesContainer>(self, &folderNodes[ref.index]);
        case ContainerRef::Kind::Detached:
            return std::shared_ptr<NotesContainer>(self, &detachedNodes[ref.index]);
    }
    return nullptr;
}

ElementList<NotesFolder> Library::children(std::uint32_t begin, std::uint32_t end) {
    auto self = shared_from_this();
    return ElementList<NotesFolder>(
        [begin, end] { return static_cast<std::uint64_t>(end - begin); },
        [self, begin, end](std::uint64_t index) -> std::shared_ptr<NotesFolder> {
            if (index >= end - begin) return nullptr;
            return std::shared_ptr<NotesFolder>(
                self, &self->folderNodes[self->childIndices[begin + index]]);
        });
}

}  // namespace quillmere::notes_library
