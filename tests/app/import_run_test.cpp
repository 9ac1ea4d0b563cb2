// The import run: launch, the three alerts that end a run, the progress protocol, the account
// layouts and the hand-over of the export folder.

#include <gtest/gtest.h>

#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

using in_memory::folder;
using in_memory::makeAccount;
using in_memory::makeApplication;
using in_memory::makeNote;

const std::vector<std::string> kAllTargets = {
    "com.quillmereapp.mac",
    "com.vellumry.quillmere-tessary",
    "com.vellumry.quillmere3",
    "com.vellumry.quillmere3.demo",
};

std::vector<std::string> handOver(const std::string& exportPath) {
    std::vector<std::string> calls;
    for (const auto& id : kAllTargets) {
        calls.push_back("workspace.open(" + id + ")");
    }
    calls.push_back("workspace.show(" + exportPath + ")");
    return calls;
}

TEST_F(AppDelegateTest, LaunchRegistersTheHeadingDefaultOnly) {
    EXPECT_EQ(services.userDefaults->registeredBools,
              (std::map<std::string, bool>{{"useFirstParagraphAsHeading", true}}));
    EXPECT_TRUE(services.userDefaults->storedBools.empty());
    EXPECT_TRUE(services.journal->calls.empty());
    EXPECT_TRUE(delegate->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(AppDelegateTest, OutletsAreWeak) {
    EXPECT_EQ(delegate->window().lock(), window);
    window.reset();
    progress.reset();
    button.reset();
    EXPECT_TRUE(delegate->window().expired());
    EXPECT_TRUE(delegate->progressIndicator().expired());
    EXPECT_TRUE(delegate->startButton().expired());

    // A run without its controls still exports and hands the folder over.
    runImport(makeApplication({makeAccount(u"a", u"A", {folder(u"f", u"F", {makeNote(u"N")})})}));
    EXPECT_EQ(tree(exportFolder()).size(), 2u);
    EXPECT_EQ(services.workspace->openRequests.size(), 4u);
}

TEST_F(AppDelegateTest, ARunKeepsItsDelegateAliveUntilTheHandOver) {
    services.lookup->application =
        makeApplication({makeAccount(u"a", u"A", {folder(u"f", u"F", {makeNote(u"N", u"x")})})});
    delegate->beginImport();
    std::weak_ptr<AppDelegate> watched = delegate;
    delegate.reset();  // the front end lets go of it during the walk

    services.globalQueue->runAll();
    EXPECT_FALSE(watched.expired());
    services.mainQueue->runAll();

    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(progress->doubleValue(), 1.0);
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(services.workspace->showRequests.size(), 1u);
}

TEST_F(AppDelegateTest, NoTemporaryDirectoryEndsTheRunWithTheErrorAlert) {
    writeFile(temporaryContainer(), "a file where the application's folder belongs");
    services.lookup->application = makeApplication({makeAccount(u"a", u"A")});

    delegate->beginImport();

    ASSERT_EQ(services.alerts->alerts.size(), 1u);
    EXPECT_FALSE(services.alerts->alerts[0].messageText.empty());
    EXPECT_EQ(services.journal->calls,
              std::vector<std::string>{"alert(" + services.alerts->alerts[0].messageText + ")"});
    EXPECT_TRUE(services.lookup->requestedIdentifiers.empty());
    EXPECT_EQ(services.globalQueue->pendingCount(), 0u);
}

TEST_F(AppDelegateTest, MissingNotesEndsTheRunAndLeavesTheEmptyTemporaryDirectory) {
    services.lookup->application = nullptr;

    delegate->beginImport();

    EXPECT_EQ(
        services.alerts->alerts,
        (std::vector<Alert>{{"Could not find Notes.app", "Could not find Notes application."}}));
    EXPECT_EQ(services.lookup->requestedIdentifiers, std::vector<std::string>{"com.apple.notes"});
    EXPECT_EQ(services.journal->calls, std::vector<std::string>{"alert(Could not find Notes.app)"});
    const auto directories = uniqueDirectories();
    ASSERT_EQ(directories.size(), 1u);
    EXPECT_TRUE(fs::is_empty(directories[0]));
    EXPECT_EQ(services.globalQueue->pendingCount(), 0u);
    EXPECT_FALSE(button->isHidden());
}

TEST_F(AppDelegateTest, NoAccountsEndsTheRunWithThePrivacyAlert) {
    services.lookup->application = makeApplication({});

    delegate->beginImport();

    const Alert expected{
        "Could not access Notes",
        "The importer could not access any of your notes. Please open System Settings, go to "
        "\xE2\x80\x9CPrivacy & Security\xE2\x80\x9D \xE2\x80\xBA \xE2\x80\x9C"
        "Automation\xE2\x80\x9D \xE2\x80\xBA \xE2\x80\x9CQuillmere Notes Importer\xE2\x80\x9D "
        "and make sure Notes is enabled."};
    EXPECT_EQ(services.alerts->alerts, std::vector<Alert>{expected});
    EXPECT_EQ(services.journal->calls, std::vector<std::string>{"alert(Could not access Notes)"});
    const auto directories = uniqueDirectories();
    ASSERT_EQ(directories.size(), 1u);
    EXPECT_TRUE(fs::is_empty(directories[0]));
    EXPECT_EQ(services.globalQueue->pendingCount(), 0u);
}

TEST_F(AppDelegateTest, OneAccountPutsItsFoldersStraightIntoTheExportFolder) {
    auto account = makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Recipes", {makeNote(u"Pancakes", u"Mix"), makeNote(u"Bread", u"Knead")},
                {folder(u"f2", u"Desserts", {makeNote(u"Pie", u"Bake")})}),
         folder(u"f3", u"Work")});
    services.lookup->application = makeApplication({account});

    delegate->beginImport();

    // The action returns before anything is written; only the walk is queued.
    EXPECT_EQ(services.globalQueue->pendingCount(), 1u);
    EXPECT_EQ(services.mainQueue->pendingCount(), 0u);
    EXPECT_FALSE(fs::exists(exportFolder()));
    EXPECT_EQ(services.journal->calls,
              (std::vector<std::string>{"progress.setHidden(false)", "button.setHidden(true)",
                                        "progress.setMaxValue(3)", "progress.setDoubleValue(0)"}));

    services.runWalk();

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Recipes", "<dir>"},
                                        {"Recipes/000_Pancakes.html", "<h1>Pancakes</h1>\nMix"},
                                        {"Recipes/001_Bread.html", "<h1>Bread</h1>\nKnead"},
                                        {"Recipes/Desserts", "<dir>"},
                                        {"Recipes/Desserts/000_Pie.html", "<h1>Pie</h1>\nBake"},
                                        {"Work", "<dir>"},
                                    }));
    std::vector<std::string> expected = {
        "progress.setHidden(false)",  "button.setHidden(true)",   "progress.setMaxValue(3)",
        "progress.setDoubleValue(0)", "progress.incrementBy(1)",  "progress.incrementBy(1)",
        "progress.incrementBy(1)",    "progress.setHidden(true)", "button.setHidden(false)"};
    for (const auto& call : handOver(exportFolder().string())) {
        expected.push_back(call);
    }
    EXPECT_EQ(services.journal->calls, expected);
    // The account lists its nested folder too; the walk reaches it through its parent instead.
    EXPECT_EQ(services.log->lines, std::vector<std::string>{"Mismatching parent ID: f1 vs. acc"});
    ASSERT_EQ(services.workspace->openRequests.size(), 4u);
    for (const auto& request : services.workspace->openRequests) {
        EXPECT_EQ(request.urls,
                  std::vector<FileURL>{FileURL::fileURLWithPath(exportFolder().string(), true)});
    }
    ASSERT_EQ(services.workspace->showRequests.size(), 1u);
    EXPECT_EQ(services.workspace->showRequests[0].file, std::nullopt);
    EXPECT_TRUE(progress->isHidden());
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(progress->doubleValue(), 3.0);
    EXPECT_TRUE(services.alerts->alerts.empty());
}

TEST_F(AppDelegateTest, SeveralAccountsGetADirectoryEachAndTheBarCountsEveryNote) {
    auto iCloud =
        makeAccount(u"a1", u"iCloud", {folder(u"f1", u"Notes", {makeNote(u"One", u"1")})});
    auto local = makeAccount(u"a2", u"On My Mac");  // no folders: an empty directory
    auto application = makeApplication({iCloud, local});
    application->allNotes.push_back(makeNote(u"Nowhere", u"in no folder"));

    runImport(application);

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"iCloud", "<dir>"},
                                        {"iCloud/Notes", "<dir>"},
                                        {"iCloud/Notes/000_One.html", "<h1>One</h1>\n1"},
                                        {"On My Mac", "<dir>"},
                                    }));
    // The maximum counts the application's notes; the steps count the notes handled.
    EXPECT_EQ(progress->maxValue(), 2.0);
    EXPECT_EQ(progress->doubleValue(), 1.0);
    EXPECT_TRUE(services.log->lines.empty());
}

TEST_F(AppDelegateTest, AnAccountWithoutFoldersLeavesAnEmptyExportFolder) {
    runImport(makeApplication({makeAccount(u"a", u"iCloud")}));

    EXPECT_TRUE(fs::is_directory(exportFolder()));
    EXPECT_TRUE(fs::is_empty(exportFolder()));
    EXPECT_EQ(progress->maxValue(), 0.0);
    EXPECT_EQ(progress->doubleValue(), 0.0);
    EXPECT_EQ(services.workspace->openRequests.size(), 4u);
    EXPECT_EQ(services.workspace->showRequests.size(), 1u);
}

TEST_F(AppDelegateTest, AccountsGoneBeforeTheWalkStillMakeAndOfferTheExportFolder) {
    auto application = makeApplication(
        {makeAccount(u"a", u"iCloud", {folder(u"f", u"Notes", {makeNote(u"N", u"x")})})});
    services.lookup->application = application;
    delegate->beginImport();
    application->accountList.clear();

    services.runWalk();

    EXPECT_TRUE(fs::is_directory(exportFolder()));
    EXPECT_TRUE(fs::is_empty(exportFolder()));
    EXPECT_EQ(services.workspace->showRequests.size(), 1u);
    EXPECT_TRUE(services.alerts->alerts.empty());
}

TEST_F(AppDelegateTest, TheFirstAcceptingApplicationEndsTheHandOver) {
    struct Row {
        const char* name;
        std::set<std::string> accepting;
        std::size_t opensExpected;
        bool showExpected;
    };
    const Row rows[] = {
        {"none_accepts_finder_shows", {}, 4, true},
        {"first_accepts", {"com.quillmereapp.mac", "com.vellumry.quillmere3"}, 1, false},
        {"third_accepts", {"com.vellumry.quillmere3"}, 3, false},
        {"demo_accepts", {"com.vellumry.quillmere3.demo"}, 4, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.workspace->openRequests.clear();
        services.workspace->showRequests.clear();
        services.workspace->acceptingBundleIdentifiers = row.accepting;

        runImport(makeApplication({makeAccount(u"a", u"A")}));

        ASSERT_EQ(services.workspace->openRequests.size(), row.opensExpected);
        for (std::size_t i = 0; i < row.opensExpected; ++i) {
            EXPECT_EQ(services.workspace->openRequests[i].bundleIdentifier, kAllTargets[i]);
        }
        EXPECT_EQ(services.workspace->showRequests.size(), row.showExpected ? 1u : 0u);
    }
    // Every run made a directory of its own, and the earlier ones stay.
    EXPECT_EQ(uniqueDirectories().size(), std::size(rows));
}

TEST_F(AppDelegateTest, AnExportFolderThatCannotBeMadeIsReportedAndStillOffered) {
    services.lookup->application = makeApplication(
        {makeAccount(u"a", u"A", {folder(u"f", u"Notes", {makeNote(u"N", u"x")})})});
    delegate->beginImport();
    writeFile(exportFolder(), "a file in the way");

    services.runWalk();

    ASSERT_EQ(services.alerts->alerts.size(), 1u);
    EXPECT_EQ(services.mainQueue->syncCount(), 1u);  // shown on the main queue while the walk waits
    EXPECT_EQ(readFile(exportFolder()), "a file in the way");
    EXPECT_EQ(progress->doubleValue(), 0.0);
    EXPECT_EQ(services.workspace->showRequests.size(), 1u);
}

TEST_F(AppDelegateTest, AnAccountDirectoryThatCannotBeMadeSkipsOnlyThatAccount) {
    auto first = makeAccount(u"a1", u"Blocked", {folder(u"f1", u"Notes", {makeNote(u"N", u"x")})});
    auto second = makeAccount(u"a2", u"Open", {folder(u"f2", u"Notes", {makeNote(u"M", u"y")})});
    services.lookup->application = makeApplication({first, second});
    delegate->beginImport();
    writeFile(exportFolder() / "Blocked", "a file in the way");

    services.runWalk();

    ASSERT_EQ(services.alerts->alerts.size(), 1u);
    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Blocked", "a file in the way"},
                                        {"Open", "<dir>"},
                                        {"Open/Notes", "<dir>"},
                                        {"Open/Notes/000_M.html", "<h1>M</h1>\ny"},
                                    }));
    const auto& calls = services.journal->calls;
    const auto alert = std::find(calls.begin(), calls.end(),
                                 "alert(" + services.alerts->alerts[0].messageText + ")");
    const auto hidden = std::find(calls.begin(), calls.end(), "progress.setHidden(true)");
    EXPECT_LT(alert, hidden);
}

}  // namespace
}  // namespace quillmere::test
