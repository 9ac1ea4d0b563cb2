#include "notes_source/note_store/note_store_model.h"

#include "notes_source/note_store/note_store_reader.h"

namespace quillmere::note_store {

namespace {

class StoreNote : public NoteStoreNote {
public:
    StoreNote(std::shared_ptr<Store> store, std::int64_t pk) : store_(std::move(store)), pk_(pk) {}

    Text name() const override { return text::fromUtf8(store_->note(pk_).title); }
    Text body() const override { return store_->body(pk_).html; }
    std::optional<Date> creationDate() const override { return store_->note(pk_).created; }
    std::optional<Date> modificationDate() const override { return store_->note(pk_).modified; }
    ElementList<NotesAttachment> attachments() const override {
        auto names = std::make_shared<std::vector<std::string>>(store_->body(pk_).attachmentNames);
        auto identifiers =
            std::make_shared<std::vector<std::string>>(store_->attachmentIdentifiers(pk_));
        return ElementList<NotesAttachment>(
            [names] { return static_cast<std::uint64_t>(names->size()); },
            [names, identifiers, store = store_,
             pk = pk_](std::uint64_t i) -> std::shared_ptr<NotesAttachment> {
                return std::make_shared<NamedAttachment>(
                    (*names)[i], i < identifiers->size() ? (*identifiers)[i] : std::string(), store,
                    pk);
            });
    }
    std::string id() const override { return store_->objectId("ICNote", pk_); }
    bool passwordProtected() const override { return store_->note(pk_).passwordProtected; }
    LockState lockState() const override { return store_->lockState(pk_); }
    bool readable() const override { return !store_->body(pk_).fault; }
    bool holdLinesWhileRead() override {
        // Asked again (its turn has come), it keeps what it holds already.
        if (!held_) held_ = std::make_shared<std::vector<std::string>>();
        store_->holdLines(held_);
        return !store_->note(pk_).passwordProtected;
    }
    void logHeldLines() override {
        if (!held_) return;
        store_->stopHolding(held_);
        // Straight to the log: another note read meanwhile may be holding lines.
        for (const std::string& line : *held_) store_->logNow(line);
        held_.reset();
    }

private:
    class NamedAttachment : public NotesAttachment {
    public:
        NamedAttachment(std::string name, std::string identifier, std::shared_ptr<Store> store,
                        std::int64_t notePk)
            : name_(std::move(name)),
              identifier_(std::move(identifier)),
              store_(std::move(store)),
              notePk_(notePk) {}
        Text name() const override { return text::fromUtf8(name_); }
        AttachmentFile file() const override {
            return store_->attachmentFile(identifier_, name_, notePk_);
        }

    private:
        std::string name_;
        std::string identifier_;
        std::shared_ptr<Store> store_;
        std::int64_t notePk_;
    };

    std::shared_ptr<Store> store_;
    std::int64_t pk_;
    std::shared_ptr<std::vector<std::string>> held_;
};

// The notes of one folder (by index), or of every folder, as the index lists them.
ElementList<NotesNote> noteList(const std::shared_ptr<Store>& store,
                                std::optional<std::size_t> folder) {
    const std::vector<std::int64_t>* pks =
        folder ? &store->index.notesOfFolder[*folder] : &store->index.allNotes;
    return ElementList<NotesNote>(
        [pks, store] { return static_cast<std::uint64_t>(pks->size()); },
        [pks, store](std::uint64_t i) -> std::shared_ptr<NotesNote> {
            return i < pks->size() ? std::make_shared<StoreNote>(store, (*pks)[i]) : nullptr;
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
        // The unfiled folder is no row of the database: its id is its account's, extended.
        if (row().unfiled) {
            return text::fromUtf8(
                store_->objectId("ICAccount", store_->accounts[row().account].pk) + "/unfiled");
        }
        return text::fromUtf8(store_->objectId("ICFolder", row().pk));
    }
    Text name() const override { return text::fromUtf8(row().name); }
    bool isRecentlyDeleted() const override { return row().trash; }
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
    ElementList<NotesNote> notes() const override { return noteList(store_, index_); }
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

std::shared_ptr<NotesApplication> makeApplication(std::shared_ptr<Store> store) {
    return std::make_shared<StoreApplication>(std::move(store));
}

}  // namespace quillmere::note_store
