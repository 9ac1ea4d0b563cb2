// The import run: the alerts that end it, the progress protocol, the account layouts and the
// hand-over of the export folder.

#include <gtest/gtest.h>

#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

const std::vector<std::string> kHandOver = {
    "workspace.open(com.quillmereapp.mac)", "workspace.open(com.vellumry.quillmere-tessary)",
    "workspace.open(com.vellumry.quillmere3)", "workspace.open(com.vellumry.quillmere3.demo)"};

// The alert texts are checked with the command, which prints them.
TEST_F(AppDelegateTest, AnAlertEndsTheRunBeforeAnythingChangesOnScreen) {
    const struct {
        const char* name;
        std::shared_ptr<NotesApplication> notes;
        bool blockTemporaryDirectory;
        std::string message;
    } rows[] = {
        {"no_temporary_directory", makeApplication({makeAccount(u"a", u"A")}), true,
         "could not be created."},
        {"notes_missing", nullptr, false, "Could not find your notes"},
        {"no_accounts", makeApplication({}), false, "Could not access Notes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(temporaryContainer());
        if (row.blockTemporaryDirectory) writeFile(temporaryContainer(), "in the way");
        journal->clear();
        alerts->alerts.clear();
        lookup->requestedIdentifiers.clear();
        lookup->application = row.notes;

        delegate->beginImport();

        EXPECT_EQ(alerts->alerts.size(), 1u);
        if (alerts->alerts.size() != 1) continue;
        EXPECT_TRUE(alerts->alerts[0].messageText.ends_with(row.message))
            << alerts->alerts[0].messageText;
        EXPECT_EQ(*journal, CallJournal{"alert(" + alerts->alerts[0].messageText + ")"});
        EXPECT_TRUE(globalQueue->pending.empty());
        if (row.blockTemporaryDirectory) {
            EXPECT_TRUE(lookup->requestedIdentifiers.empty());
        } else {
            // The unique directory was made before Notes was asked, and goes with the run.
            EXPECT_EQ(lookup->requestedIdentifiers, std::vector<std::string>{"com.apple.notes"});
            EXPECT_TRUE(fs::is_empty(temporaryContainer()));
        }
    }
}

TEST_F(AppDelegateTest, OneAccountPutsItsFoldersStraightIntoTheExportFolder) {
    lookup->application = makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Recipes", {makeNote(u"Pancakes", u"Mix"), makeNote(u"Bread", u"Knead")},
                {folder(u"f2", u"Desserts", {makeNote(u"Pie", u"Bake")})}),
         folder(u"f3", u"Work")})});
    delegate->beginImport();
    // The outlets are weak, and the front end may let go of the delegate during the walk.
    std::weak_ptr<AppDelegate> watched = delegate;
    delegate.reset();

    // The action returns before anything is written; only the walk is queued.
    EXPECT_EQ(globalQueue->pending.size(), 1u);
    EXPECT_TRUE(mainQueue->pending.empty());
    EXPECT_FALSE(fs::exists(exportFolder()));
    globalQueue->runAll();
    EXPECT_FALSE(watched.expired());
    mainQueue->runAll();
    EXPECT_TRUE(watched.expired());

    // The layout itself is checked with the command.
    EXPECT_EQ(readFile(exportFolder() / "Recipes/Desserts/000_Pie.html"), "<h1>Pie</h1>\nBake");
    CallJournal expected = {
        "progress.setHidden(false)",  "button.setHidden(true)",   "progress.setMaxValue(3)",
        "progress.setDoubleValue(0)", "progress.incrementBy(1)",  "progress.incrementBy(1)",
        "progress.incrementBy(1)",    "progress.setHidden(true)", "button.setHidden(false)"};
    expected.insert(expected.end(), kHandOver.begin(), kHandOver.end());
    expected.push_back("workspace.show(" + exportFolder().string() + ")");
    EXPECT_EQ(*journal, expected);
    for (const auto& urls : workspace->openedURLs) {
        EXPECT_EQ(urls,
                  std::vector<FileURL>{FileURL::fileURLWithPath(exportFolder().string(), true)});
    }
    // The account lists its nested folder too; the walk reaches it through its parent instead.
    EXPECT_EQ(log->lines, std::vector<std::string>{"Mismatching parent ID: f1 vs. acc"});
    EXPECT_TRUE(alerts->alerts.empty());
}

TEST_F(AppDelegateTest, ARunNeedsNoOutletsAndStillOffersTheFolderWhenTheAccountsVanish) {
    auto application = makeApplication(
        {makeAccount(u"a", u"iCloud", {folder(u"f", u"Notes", {makeNote(u"N", u"x")})})});
    lookup->application = application;
    delegate->setProgressIndicator({});
    delegate->setStartButton({});
    delegate->beginImport();
    application->accountList.clear();
    globalQueue->runAll();
    mainQueue->runAll();

    EXPECT_TRUE(fs::is_directory(exportFolder()));
    EXPECT_TRUE(fs::is_empty(exportFolder()));
    CallJournal expected = kHandOver;
    expected.push_back("workspace.show(" + exportFolder().string() + ")");
    EXPECT_EQ(*journal, expected);
}

TEST_F(AppDelegateTest, TheFirstAcceptingApplicationEndsTheHandOver) {
    const struct {
        const char* name;
        std::set<std::string> accepting;
        std::size_t opens;
    } rows[] = {
        {"none_accepts_finder_shows", {}, 4},
        {"first_accepts", {"com.quillmereapp.mac", "com.vellumry.quillmere3"}, 1},
        {"demo_accepts", {"com.vellumry.quillmere3.demo"}, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        workspace->accepting = row.accepting;
        journal->clear();

        // An account without folders: a run with no notes, whose empty folder is still offered.
        runImport(makeApplication({makeAccount(u"a", u"A")}));

        const fs::path offered = workspace->openedURLs.back().at(0).path();
        EXPECT_TRUE(fs::is_empty(offered));
        CallJournal expected = {"progress.setHidden(false)", "button.setHidden(true)",
                                "progress.setMaxValue(0)",   "progress.setDoubleValue(0)",
                                "progress.setHidden(true)",  "button.setHidden(false)"};
        expected.insert(expected.end(), kHandOver.begin(), kHandOver.begin() + row.opens);
        if (row.accepting.empty()) expected.push_back("workspace.show(" + offered.string() + ")");
        EXPECT_EQ(*journal, expected);
    }
    // Every run made a directory of its own, and the earlier ones stay.
    EXPECT_EQ(entryNames(temporaryContainer()).size(), std::size(rows));
}

TEST_F(AppDelegateTest, SeveralAccountsGetADirectoryEachAndTheBarCountsEveryNote) {
    auto application = makeApplication(
        {makeAccount(u"a1", u"Blocked", {folder(u"f1", u"Notes", {makeNote(u"N", u"x")})}),
         makeAccount(u"a2", u"On My Mac")});
    application->allNotes.push_back(makeNote(u"Nowhere", u"in no folder"));
    lookup->application = application;
    delegate->beginImport();
    writeFile(exportFolder() / "Blocked", "a file in the way");
    globalQueue->runAll();
    mainQueue->runAll();

    // The account whose directory cannot be made is skipped after an alert, shown on the main
    // queue while the walk waits; an account without folders still gets its directory.
    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Blocked", "a file in the way"},
                                        {"On My Mac", "<dir>"},
                                    }));
    ASSERT_EQ(alerts->alerts.size(), 1u);
    const auto alert =
        std::find(journal->begin(), journal->end(), "alert(" + alerts->alerts[0].messageText + ")");
    EXPECT_LT(alert, std::find(journal->begin(), journal->end(), "progress.setHidden(true)"));
    // The maximum counts the application's notes; the steps count the notes handled.
    EXPECT_EQ(progress->maxValue(), 2.0);
    EXPECT_EQ(progress->doubleValue(), 0.0);
    EXPECT_EQ(count("workspace.show(" + exportFolder().string() + ")"), 1u);
    EXPECT_TRUE(log->lines.empty());
}

}  // namespace
}  // namespace quillmere::test
