#include "notes_source/in_memory_notes.h"

#include <gtest/gtest.h>

namespace quillmere::in_memory {
namespace {

std::shared_ptr<Account> nestedAccount() {
    return makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Recipes", {makeNote(u"Pancakes", u"<div>a</div>")},
                {folder(u"f2", u"Desserts", {}, {folder(u"f3", u"Cakes", {makeNote(u"Sponge")})})}),
         folder(u"f4", u"Work", {makeNote(u"Plan"), makeNote(u"Budget", u"", {u"map.png", u""})})});
}

// The model answers its lists as the library file does, and reads them live.
TEST(InMemoryNotes, AnswersListsLikeTheLibraryFile) {
    auto application = makeApplication({nestedAccount(), makeAccount(std::nullopt, u"Empty")});
    auto account = application->accounts().firstObject();
    std::vector<Text> names;
    for (auto f : account->folders()) names.push_back(f->name());
    EXPECT_EQ(names, (std::vector<Text>{u"Recipes", u"Desserts", u"Cakes", u"Work"}));
    EXPECT_EQ(account->folders().firstObject()->folders().count(), 1u);
    EXPECT_EQ(account->folders().objectAtIndex(2)->container().get()->id(),
              std::optional<Text>(u"f2"));
    EXPECT_EQ(application->accounts().objectAtIndex(1)->id(), std::nullopt);
    auto budget = account->folders().objectAtIndex(3)->notes().objectAtIndex(1);
    EXPECT_EQ(budget->attachments().objectAtIndex(1)->name(), u"");

    // A note that no folder lists, added after the list was handed out.
    auto notes = application->notes();
    EXPECT_EQ(notes.count(), 4u);
    application->allNotes.push_back(makeNote({}));
    EXPECT_EQ(notes.count(), 5u);
    EXPECT_EQ(notes.objectAtIndex(4)->body(), u"");
}

TEST(InMemoryNotes, ExpressesUnusualContainers) {
    auto account = nestedAccount();
    auto stray = makeFolder(folder(u"f9", u"Stray"), nullptr);
    account->folderList.push_back(stray);
    EXPECT_EQ(stray->container().get(), nullptr);
    stray->setDetachedContainer(std::nullopt, u"No id");
    ASSERT_NE(stray->container().get(), nullptr);
    EXPECT_EQ(stray->container().get()->id(), std::nullopt);
    stray->setDetachedContainer(u"");
    EXPECT_EQ(stray->container().get()->id(), std::optional<Text>(u""));
    stray->containerObject = account->folderList[3];  // listed here, contained by Work
    EXPECT_EQ(stray->container().get()->id(), std::optional<Text>(u"f4"));
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
