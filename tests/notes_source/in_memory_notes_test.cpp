#include "notes_source/in_memory_notes.h"

#include <gtest/gtest.h>

namespace quillmere::in_memory {
namespace {

std::shared_ptr<Account> nestedAccount() {
    return makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Recipes", {makeNote(u"Pancakes", u"<div>a</div>")},
                {folder(u"f2", u"Desserts", {}, {folder(u"f3", u"Cakes", {makeNote(u"Sponge")})})}),
         folder(u"f4", u"Work", {makeNote(u"Plan"), makeNote(u"Budget")})});
}

TEST(InMemoryNotes, AccountListsEveryFolderInPreOrderAndFoldersTheirChildren) {
    auto account = nestedAccount();
    std::vector<Text> names;
    for (auto f : account->folders()) {
        names.push_back(f->name());
    }
    EXPECT_EQ(names, (std::vector<Text>{u"Recipes", u"Desserts", u"Cakes", u"Work"}));

    auto recipes = account->folders().firstObject();
    ASSERT_EQ(recipes->folders().count(), 1u);
    EXPECT_EQ(recipes->folders().firstObject()->name(), u"Desserts");
    EXPECT_EQ(recipes->container().get()->id(), std::optional<Text>(u"acc"));
    EXPECT_EQ(account->folders().objectAtIndex(2)->container().get()->id(),
              std::optional<Text>(u"f2"));
    EXPECT_EQ(account->folders().objectAtIndex(4), nullptr);
}

TEST(InMemoryNotes, ApplicationCountsEveryNoteAndMayCountMore) {
    auto application = makeApplication({nestedAccount(), makeAccount(std::nullopt, u"Empty")});
    EXPECT_EQ(application->accounts().count(), 2u);
    EXPECT_EQ(application->notes().count(), 4u);
    EXPECT_EQ(application->accounts().objectAtIndex(1)->id(), std::nullopt);

    // A note that no folder lists, added after the list was handed out: lists read live.
    auto notes = application->notes();
    application->allNotes.push_back(makeNote({}));
    EXPECT_EQ(notes.count(), 5u);
    EXPECT_EQ(notes.objectAtIndex(4)->name(), u"");
    EXPECT_EQ(notes.objectAtIndex(4)->body(), u"");
}

TEST(InMemoryNotes, ExpressesUnusualContainers) {
    auto account = nestedAccount();
    auto stray = makeFolder(folder(u"f9", u"Stray"), nullptr);
    account->folderList.push_back(stray);
    EXPECT_EQ(stray->container().get(), nullptr);

    stray->setDetachedContainer(std::nullopt, u"No id");
    auto container = stray->container().get();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->id(), std::nullopt);
    stray->setDetachedContainer(u"");
    EXPECT_EQ(stray->container().get()->id(), std::optional<Text>(u""));

    stray->containerObject = account->folderList[3];  // listed here, contained by Work
    EXPECT_EQ(stray->container().get()->id(), std::optional<Text>(u"f4"));
}

TEST(InMemoryNotes, NotesCarryAttachmentsAndDates) {
    auto note = makeNote(u"Trip", u"<div>\ufffc\ufffc</div>", {u"map.png", u""});
    note->created = Date(std::chrono::microseconds(1'700'000'000'123'456));
    EXPECT_EQ(note->attachments().count(), 2u);
    EXPECT_EQ(note->attachments().objectAtIndex(1)->name(), u"");
    EXPECT_EQ(note->creationDate()->time_since_epoch().count() % 1'000'000, 123'456);
    EXPECT_EQ(note->modificationDate(), std::nullopt);
}

TEST(InMemoryNotes, LookupAnswersOnlyNotesAndRecordsTheQuestion) {
    auto application = makeApplication({nestedAccount()});
    Lookup lookup(application);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.notes"), application);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.mail"), nullptr);
    EXPECT_EQ(lookup.requestedIdentifiers,
              (std::vector<std::string>{"com.apple.notes", "com.apple.mail"}));
    EXPECT_EQ(Lookup().applicationWithBundleIdentifier("com.apple.notes"), nullptr);
}

}  // namespace
}  // namespace quillmere::in_memory
