// The folder tree: directories per folder, the parent check, skipped folders and their log
// lines, and folder and account names that must stay one path component.

#include <gtest/gtest.h>

#include "app/app_services.h"
#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

using in_memory::folder;
using in_memory::makeAccount;
using in_memory::makeApplication;
using in_memory::makeNote;

class FolderTreeTest : public AppDelegateTest {
protected:
    FolderTreeTest() {
        // Plain notes without headings keep the expected files short.
        services.userDefaults->setBool("useFirstParagraphAsHeading", false);
    }

    // The titles of the notes in the order the export handled them (the link detector is asked
    // once per note).
    std::vector<Text> exportOrder() const {
        std::vector<Text> order;
        for (const Text& text : services.linkDetector->texts) {
            order.push_back(text.substr(3, text.find(u"</p>") - 3));
        }
        return order;
    }
};

TEST_F(FolderTreeTest, WalksDepthFirstWithEachFoldersNotesBeforeItsSubfolders) {
    runImport(makeApplication(
        {makeAccount(u"acc", u"iCloud",
                     {folder(u"a", u"A", {makeNote(u"a1", u"x"), makeNote(u"a2", u"x")},
                             {folder(u"b", u"B", {makeNote(u"b1", u"x")},
                                     {folder(u"c", u"C", {makeNote(u"c1", u"x")})}),
                              folder(u"d", u"D", {makeNote(u"d1", u"x")})}),
                      folder(u"e", u"E", {makeNote(u"e1", u"x")})})}));

    EXPECT_EQ(exportOrder(), (std::vector<Text>{u"a1", u"a2", u"b1", u"c1", u"d1", u"e1"}));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/B/C/000_c1.html"));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/D/000_d1.html"));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "E/000_e1.html"));
    // The account lists every folder; the nested ones are skipped at the account's level.
    EXPECT_EQ(services.log->lines, (std::vector<std::string>{"Mismatching parent ID: a vs. acc",
                                                             "Mismatching parent ID: b vs. acc",
                                                             "Mismatching parent ID: a vs. acc"}));
}

TEST_F(FolderTreeTest, AFolderWithoutANameIsSkippedWithEverythingBelowIt) {
    auto account = makeAccount(u"acc", u"iCloud",
                               {folder(u"n", u"", {makeNote(u"lost", u"x")},
                                       {folder(u"s", u"Sub", {makeNote(u"also lost", u"x")})}),
                                folder(u"k", u"Kept", {makeNote(u"kept", u"x")})});
    account->folderList = {account->folderList[0], account->folderList[2]};  // top level only

    runImport(makeApplication({account}));

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Kept", "<dir>"},
                                        {"Kept/000_kept.html", "<p>kept</p>\nx"},
                                    }));
    EXPECT_EQ(services.log->lines,
              std::vector<std::string>{"Empty container name provided for parent ID acc"});
}

TEST_F(FolderTreeTest, ParentChecksAgainstTheContainersId) {
    struct Row {
        const char* name;
        std::optional<Text> accountId;
        std::function<void(in_memory::Folder&)> arrange;  // changes the one folder "F"
        bool exported;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"container_is_the_parent", u"acc", [](in_memory::Folder&) {}, true, {}},
        {"container_elsewhere",
         u"acc",
         [](in_memory::Folder& f) { f.setDetachedContainer(u"other"); },
         false,
         {"Mismatching parent ID: other vs. acc"}},
        {"container_without_id",
         u"acc",
         [](in_memory::Folder& f) { f.setDetachedContainer(std::nullopt); },
         true,
         {}},
        {"container_not_resolved",
         u"acc",
         [](in_memory::Folder& f) { f.containerObject.reset(); },
         true,
         {}},
        {"missing_parent_id_equals_no_id",
         std::nullopt,
         [](in_memory::Folder& f) { f.setDetachedContainer(u"other"); },
         false,
         {"Mismatching parent ID: other vs. (null)"}},
        {"missing_parent_id_with_empty_name",
         std::nullopt,
         [](in_memory::Folder& f) { f.folderName.clear(); },
         false,
         {"Empty container name provided for parent ID (null)"}},
        {"empty_id_is_not_missing",
         u"",
         [](in_memory::Folder& f) { f.setDetachedContainer(u""); },
         true,
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        services.log->lines.clear();
        auto account =
            makeAccount(row.accountId, u"A", {folder(u"f", u"F", {makeNote(u"N", u"x")})});
        row.arrange(*account->folderList[0]);

        runImport(makeApplication({account}));

        const fs::path exported = lastExportFolder() / "F" / "000_N.html";
        EXPECT_EQ(fs::exists(exported), row.exported);
        EXPECT_EQ(services.log->lines, row.log);
    }
}

TEST_F(FolderTreeTest, SiblingFoldersOfTheSameNameShareOneDirectoryWithoutLosingNotes) {
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Shared", {makeNote(u"Hi", u"first"), makeNote(u"Only", u"one")}),
         folder(u"f2", u"Shared", {makeNote(u"Hi", u"second")}), folder(u"f3", u"Empty")})}));

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Empty", "<dir>"},
                                        {"Shared", "<dir>"},
                                        {"Shared/000_Hi.html", "<p>Hi</p>\nfirst"},
                                        {"Shared/000_Hi - 2.html", "<p>Hi</p>\nsecond"},
                                        {"Shared/001_Only.html", "<p>Only</p>\none"},
                                    }));
    EXPECT_TRUE(services.alerts->alerts.empty());
}

TEST_F(FolderTreeTest, AFolderWhoseDirectoryCannotBeMadeIsSkippedAfterAnAlert) {
    // The sub-folder's directory name is taken by a note file of its parent.
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"a", u"A", {makeNote(u"", u"x")},
                {folder(u"b", u"000_.plain-text", {makeNote(u"lost", u"y")}, {folder(u"c", u"C")}),
                 folder(u"d", u"D", {makeNote(u"kept", u"z")})})})}));

    ASSERT_EQ(services.alerts->alerts.size(), 1u);
    EXPECT_EQ(services.mainQueue->syncCount(), 1u);
    EXPECT_EQ(tree(exportFolder() / "A"), (std::map<std::string, std::string>{
                                              {"000_.plain-text", "x"},
                                              {"D", "<dir>"},
                                              {"D/000_kept.html", "<p>kept</p>\nz"},
                                          }));
    EXPECT_EQ(progress->doubleValue(), 2.0);
    EXPECT_EQ(services.workspace->showRequests.size(), 1u);
}

TEST_F(FolderTreeTest, FolderNamesStayOneComponentInsideTheirParent) {
    const Text e300(150, u'\u00E9');  // 300 bytes in UTF-8
    Text emoji;                       // 64 emoji, 256 bytes
    for (int i = 0; i < 64; ++i) {
        emoji += u"\U0001F600";
    }
    struct Row {
        const char* name;
        Text folderName;
        std::string directory;
    };
    const Row rows[] = {
        {"slash", u"Work/Home", "Work-Home"},
        {"nul", Text(u"a\0b", 3), "a-b"},
        {"dot", u".", "_."},
        {"dot_dot", u"..", "_.."},
        {"climbing", u"../../escape", "..-..-escape"},
        {"only_slash", u"/", "-"},
        {"hidden_name_kept", u".hidden", ".hidden"},
        {"long_two_byte_cut_at_254_bytes", e300, std::string(127 * 2, 'x')},
        {"long_emoji_cut_between_pairs", emoji, std::string(63 * 4, 'y')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        runImport(makeApplication(
            {makeAccount(u"acc", u"A", {folder(u"f", row.folderName, {makeNote(u"N", u"x")})})}));

        const fs::path unique = lastExportFolder().parent_path();
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(lastExportFolder())) {
            names.push_back(entry.path().filename().string());
        }
        ASSERT_EQ(names.size(), 1u);
        if (row.directory.find_first_not_of("xy") == std::string::npos) {
            // The long rows: a prefix of the name at a character boundary, at most 255 bytes.
            EXPECT_EQ(names[0].size(), row.directory.size());
            EXPECT_EQ(text::fromUtf8(names[0]),
                      row.folderName.substr(0, text::fromUtf8(names[0]).size()));
        } else {
            EXPECT_EQ(names[0], row.directory);
        }
        EXPECT_TRUE(fs::is_regular_file(unique / "Imported from Notes" / names[0] / "000_N.html"));
        // Nothing beside the export folder.
        EXPECT_EQ(std::distance(fs::directory_iterator(unique), fs::directory_iterator()), 1);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(env.tmp()), fs::directory_iterator()), 1);
}

TEST_F(FolderTreeTest, AccountNamesStayOneComponentInsideTheExportFolder) {
    auto named = [](std::optional<Text> id, Text name) {
        return makeAccount(std::move(id), std::move(name),
                           {folder(u"f", u"F", {makeNote(u"N", u"x")})});
    };
    auto application = makeApplication({named(u"1", u""), named(u"2", u"."), named(u"3", u".."),
                                        named(u"4", u"iCloud/Work"), named(u"5", u"..")});
    // Each account's folder names its own account as container.
    runImport(application);

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Untitled Account", "<dir>"},
                                        {"Untitled Account/F", "<dir>"},
                                        {"Untitled Account/F/000_N.html", "<p>N</p>\nx"},
                                        {"_.", "<dir>"},
                                        {"_./F", "<dir>"},
                                        {"_./F/000_N.html", "<p>N</p>\nx"},
                                        {"_..", "<dir>"},
                                        {"_../F", "<dir>"},
                                        {"_../F/000_N.html", "<p>N</p>\nx"},
                                        {"_../F/000_N - 2.html", "<p>N</p>\nx"},
                                        {"iCloud-Work", "<dir>"},
                                        {"iCloud-Work/F", "<dir>"},
                                        {"iCloud-Work/F/000_N.html", "<p>N</p>\nx"},
                                    }));
    EXPECT_EQ(std::distance(fs::directory_iterator(exportFolder().parent_path()),
                            fs::directory_iterator()),
              1);
}

TEST_F(FolderTreeTest, CreateFoldersMakesTheParentDirectoryEvenForAnEmptyList) {
    const fs::path target = env.root() / "out" / "nested";
    delegate->createFolders(ElementList<NotesFolder>(), u"p",
                            FileURL::fileURLWithPath(target.string(), true));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(delegate->createDirectoryAtURL(FileURL::fileURLWithPath(target.string(), true)));
    EXPECT_TRUE(services.alerts->alerts.empty());
}

}  // namespace
}  // namespace quillmere::test
