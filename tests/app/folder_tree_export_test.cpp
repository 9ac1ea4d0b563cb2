// The folder tree: directories per folder, the parent check, skipped folders and their log
// lines, folder and account names that must stay one path component, and the names on disk
// (UTF-8 lengths, cuts at character boundaries, unique note file names that fit).

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "app/export_names.h"
#include "app/note_file.h"
#include "tests/app/import_fixture.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

class FolderTreeTest : public AppDelegateTest {
protected:
    // Plain notes without headings keep the expected files short.
    FolderTreeTest() { defaults->setBool(kHeadingKey, false); }
};

TEST_F(FolderTreeTest, WalksDepthFirstAndSkipsAFolderWithoutANameWithEverythingBelowIt) {
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"a", u"A", {makeNote(u"a1", u"x"), makeNote(u"a2", u"x")},
                {folder(u"b", u"B", {makeNote(u"b1", u"x")},
                        {folder(u"c", u"C", {makeNote(u"c1", u"x")})}),
                 folder(u"d", u"D", {makeNote(u"d1", u"x")})}),
         folder(u"n", u"", {makeNote(u"lost", u"x")}, {folder(u"s", u"S", {makeNote(u"lost")})}),
         folder(u"e", u"E", {makeNote(u"e1", u"x")})})}));

    // The link detector is asked once per note, in the order the notes are exported.
    std::vector<Text> order;
    for (const Text& text : linkDetector->texts) {
        order.push_back(text.substr(3, text.find(u"</p>") - 3));
    }
    EXPECT_EQ(order, (std::vector<Text>{u"a1", u"a2", u"b1", u"c1", u"d1", u"e1"}));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/B/C/000_c1.html"));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/D/000_d1.html"));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "E/000_e1.html"));
    EXPECT_FALSE(fs::exists(exportFolder() / "S"));
    // The account lists every folder; the nested ones are skipped at the account's level.
    EXPECT_EQ(
        log->lines,
        (std::vector<std::string>{
            "Mismatching parent ID: a vs. acc", "Mismatching parent ID: b vs. acc",
            "Mismatching parent ID: a vs. acc", "Empty container name provided for parent ID acc",
            "Mismatching parent ID: n vs. acc"}));
    // Only the skipped folder is the user's to know of; the rest is routine.
    EXPECT_EQ(log->routineLines,
              (std::vector<std::string>{
                  "Mismatching parent ID: a vs. acc", "Mismatching parent ID: b vs. acc",
                  "Mismatching parent ID: a vs. acc", "Mismatching parent ID: n vs. acc"}));
}

TEST_F(FolderTreeTest, ParentChecksAgainstTheContainersId) {
    enum Container { kTheParent, kUnresolved, kDetached };
    struct Row {
        const char* name;
        std::optional<Text> accountId;
        Text folderName;
        Container container;
        std::optional<Text> detachedId;
        std::string log;  // empty: the folder is exported
    };
    const Row rows[] = {
        {"container_is_the_parent", u"acc", u"F", kTheParent, std::nullopt, ""},
        {"container_elsewhere", u"acc", u"F", kDetached, u"other",
         "Mismatching parent ID: other vs. acc"},
        {"container_without_id", u"acc", u"F", kDetached, std::nullopt, ""},
        {"container_not_resolved", u"acc", u"F", kUnresolved, std::nullopt, ""},
        {"missing_parent_id", std::nullopt, u"F", kDetached, u"other",
         "Mismatching parent ID: other vs. (null)"},
        {"missing_parent_id_empty_name", std::nullopt, u"", kTheParent, std::nullopt,
         "Empty container name provided for parent ID (null)"},
        {"empty_id_is_not_missing", u"", u"F", kDetached, u"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        log->lines.clear();
        fs::remove_all(temporaryContainer());
        auto account = makeAccount(row.accountId, u"A",
                                   {folder(u"f", row.folderName, {makeNote(u"N", u"x")})});
        if (row.container == kDetached) {
            account->folderList[0]->setDetachedContainer(row.detachedId);
        } else if (row.container == kUnresolved) {
            account->folderList[0]->containerObject.reset();
        }

        runImport(makeApplication({account}));

        EXPECT_EQ(fs::exists(exportFolder() / "F" / "000_N.html"), row.log.empty());
        EXPECT_EQ(log->lines,
                  row.log.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.log});
    }
}

TEST_F(FolderTreeTest, SiblingFoldersOfTheSameNameShareOneDirectoryWithoutLosingNotes) {
    const Text cafe = u"Caf\u00E9";
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"f1", u"Shared", {makeNote(cafe, u"first"), makeNote(u"Only", u"one")}),
         folder(u"f2", u"Shared", {makeNote(cafe, u"second")}),
         folder(u"f3", u"Shared", {makeNote(u"caf\u00C9", u"third")}), folder(u"f4", u"Empty"),
         // On disk each lone surrogate is U+FFFD, so these names clash.
         folder(u"s1", u"S", {makeNote(Text(1, char16_t(0xD800)), u"1")}),
         folder(u"s2", u"S", {makeNote(Text(1, char16_t(0xDC00)), u"2")}),
         folder(u"s3", u"S", {makeNote(Text(1, char16_t(0xDBFF)), u"3")})})}));

    // A renamed file keeps the note's own characters (not decomposed) and only adds " - n";
    // a name in another letter case stays as it is.
    EXPECT_EQ(tree(exportFolder()),
              (std::map<std::string, std::string>{
                  {"Empty", "<dir>"},
                  {"Shared", "<dir>"},
                  {"Shared/000_Caf\u00E9.html", "<p>Caf\u00E9</p>\nfirst"},
                  {"Shared/000_Caf\u00E9 - 2.html", "<p>Caf\u00E9</p>\nsecond"},
                  {"Shared/000_caf\u00C9.html", "<p>caf\u00C9</p>\nthird"},
                  {"Shared/001_Only.html", "<p>Only</p>\none"},
                  {"S", "<dir>"},
                  {"S/000_\uFFFD.html", "<p>\uFFFD</p>\n1"},
                  {"S/000_\uFFFD - 2.html", "<p>\uFFFD</p>\n2"},
                  {"S/000_\uFFFD - 3.html", "<p>\uFFFD</p>\n3"},
              }));
    EXPECT_TRUE(alerts->alerts.empty());
    EXPECT_TRUE(log->lines.empty());
}

TEST_F(FolderTreeTest, AFolderNamedLikeANoteFileOfTheRunGetsAUniqueName) {
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(
            u"a", u"A", {makeNote(u"Plan", u"x")},
            {folder(u"b", u"000_Plan.html", {makeNote(u"kept", u"y")}, {folder(u"c", u"C")})})})}));

    EXPECT_EQ(tree(exportFolder() / "A"), (std::map<std::string, std::string>{
                                              {"000_Plan.html", "<p>Plan</p>\nx"},
                                              {"000_Plan - 2.html", "<dir>"},
                                              {"000_Plan - 2.html/000_kept.html", "<p>kept</p>\ny"},
                                              {"000_Plan - 2.html/C", "<dir>"},
                                          }));
    EXPECT_TRUE(alerts->alerts.empty());
    EXPECT_EQ(log->lines,
              (std::vector<std::string>{
                  "Folder: 000_Plan.html is exported as 000_Plan - 2.html because a "
                  "note file has its name",
                  "Mismatching parent ID: a vs. acc", "Mismatching parent ID: b vs. acc"}));
}

TEST_F(FolderTreeTest, AFolderWhoseDirectoryCannotBeMadeIsSkippedAfterAnAlert) {
    // Nested names of 255 bytes soon make a path longer than the system takes.
    const Text longName(255, u'n');
    in_memory::FolderTree deepest =
        folder(u"9", longName, {makeNote(u"lost", u"y")}, {folder(u"10", u"C")});
    for (int level = 15; level >= 0; --level) {
        deepest = folder(text::fromUtf8(std::to_string(level)), longName, {}, {deepest});
    }
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"a", u"A", {}, {deepest, folder(u"d", u"D", {makeNote(u"kept", u"z")})})})}));

    ASSERT_EQ(alerts->alerts.size(), 1u);
    EXPECT_EQ(mainQueue->syncCount, 1u);
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/D/000_kept.html"));
    // The notes listed for the folder left out are neither written nor reported: only the
    // routine lines of the nested folders are logged.
    EXPECT_EQ(log->lines, log->routineLines);
    EXPECT_EQ(count("workspace.show(" + exportFolder().string() + ")"), 1u);
}

TEST_F(FolderTreeTest, FolderAndAccountNamesStayOneComponentInsideTheirParent) {
    auto account = [](Text id, Text name, Text folderName) {
        return makeAccount(id, name, {folder(id + u"f", folderName)});
    };
    runImport(makeApplication({account(u"1", u"", u"../../escape"), account(u"2", u"..", u"."),
                               account(u"3", u"iCloud/Work", Text(u"a\0b", 3))}));

    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"Untitled Account", "<dir>"},
                                        {"Untitled Account/..-..-escape", "<dir>"},
                                        {"_..", "<dir>"},
                                        {"_../_.", "<dir>"},
                                        {"iCloud-Work", "<dir>"},
                                        {"iCloud-Work/a-b", "<dir>"},
                                    }));
    // Nothing beside the export folder, nor beside the application's folder.
    EXPECT_EQ(entryNames(exportFolder().parent_path()).size(), 1u);
    EXPECT_EQ(entryNames(env.tmp()).size(), 1u);
}

using namespace export_names;

// A note whose reading or text fails, memory included, is one log line and counts as not
// readable; the walk goes on with the next note, whether the note was read ahead or on its own.
TEST_F(FolderTreeTest, ANoteThatFailsToReadIsOneLogLineAndTheWalkGoesOn) {
    class FailingNote : public in_memory::Note {
    public:
        FailingNote(Text title, bool ahead) : Note(std::move(title), u"x"), ahead_(ahead) {}
        Text body() const override { throw std::bad_alloc(); }
        bool readsWithoutEffects() const override { return ahead_; }

    private:
        bool ahead_;
    };
    // Building a text read ahead fails on the second thread; it is told in the note's turn.
    linkDetector->onDetect = [](const Text& text) {
        if (text.find(u"boom") != Text::npos) throw std::runtime_error("the detector failed");
    };
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"a", u"A",
                {makeNote(u"first", u"x"), std::make_shared<FailingNote>(u"ahead", true),
                 makeNote(u"boom", u"x"), std::make_shared<FailingNote>(u"alone", false),
                 makeNote(u"last", u"x")})})}));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/000_first.html"));
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/004_last.html"));
    EXPECT_EQ(log->lines,
              (std::vector<std::string>{
                  "Note: ahead could not be exported: there is not enough memory for it",
                  "Note: boom could not be exported: the detector failed",
                  "Note: alone could not be exported: there is not enough memory for it"}));
}

// A note whose reading logs may hold those lines and be read ahead, across folders; one that
// cannot (it may ask for a password) waits for its turn. Either way the log reads as if each
// note were read just before it is written, and a folder's own line comes between its
// neighbours' notes.
TEST_F(FolderTreeTest, LinesLoggedWhileReadingANoteComeInItsTurn) {
    // Untitled and empty: each also logs a line as it is written.
    class LoggingNote : public in_memory::Note {
    public:
        LoggingNote(std::string id, bool holds, Log& log)
            : id_(std::move(id)), holds_(holds), log_(log) {}
        Text body() const override {
            if (holding_) {
                held_.push_back("reading " + id_);
            } else {
                log_.log("reading " + id_);
            }
            return html;
        }
        bool readsWithoutEffects() const override { return false; }
        bool holdLinesWhileRead() override {
            holding_ = holds_;
            return holds_;
        }
        void logHeldLines() override {
            holding_ = false;
            for (const std::string& line : held_) log_.log(line);
            held_.clear();
        }

    private:
        std::string id_;
        bool holds_;
        Log& log_;
        bool holding_ = false;
        mutable std::vector<std::string> held_;
    };
    std::vector<std::shared_ptr<in_memory::Note>> notes[2];
    std::vector<std::string> expected[2];
    for (int i = 0; i < 20; ++i) {
        char number[4];
        std::snprintf(number, sizeof number, "%03d", i / 2);
        const std::string id = std::string(i % 2 ? "B" : "A") + number;
        notes[i % 2].push_back(std::make_shared<LoggingNote>(id, i != 11, *log));
        expected[i % 2].push_back("reading " + id);
        expected[i % 2].push_back(std::string("Note: (untitled note ") + number + " in \u201C" +
                                  id.substr(0, 1) + "\u201D) is empty or password protected!");
    }
    runImport(makeApplication({makeAccount(
        u"acc", u"iCloud",
        {folder(u"a", u"A", notes[0]), folder(u"n", u""), folder(u"b", u"B", notes[1])})}));
    expected[0].push_back("Empty container name provided for parent ID acc");
    expected[0].insert(expected[0].end(), expected[1].begin(), expected[1].end());
    EXPECT_EQ(log->lines, expected[0]);
}

// However large the notes, those read ahead of the one being written hold a bounded amount of
// memory: past it, the next notes are read in their turn.
TEST_F(FolderTreeTest, LargeNotesAreNotReadFarAhead) {
    class LargeNote : public in_memory::Note {
    public:
        LargeNote(Text title, std::function<void()> onRead)
            : Note(std::move(title), Text(std::size_t{2} << 20, u'x')),
              onRead_(std::move(onRead)) {}
        Text body() const override {
            onRead_();
            return Note::body();
        }

    private:
        std::function<void()> onRead_;
    };
    std::size_t read = 0, mostAhead = 0;  // on the reader's thread until the run ends
    const auto onRead = [&] {
        std::error_code error;
        const auto written = static_cast<std::size_t>(
            std::distance(fs::directory_iterator(exportFolder() / "A", error), {}));
        mostAhead = std::max(mostAhead, ++read - written);
    };
    std::vector<std::shared_ptr<in_memory::Note>> notes;
    for (int i = 0; i < 10; ++i) notes.push_back(std::make_shared<LargeNote>(u"n", onRead));
    runImport(makeApplication({makeAccount(u"acc", u"iCloud", {folder(u"a", u"A", notes)})}));

    EXPECT_EQ(read, 10u);
    EXPECT_LE(mostAhead, 5u);  // four of 8 MiB fill what may be held ahead
    EXPECT_TRUE(fs::is_regular_file(exportFolder() / "A/009_n.html"));
}

TEST(ExportNames, CutsAtCharacterBoundariesAroundTheLimit) {
    const Text lone(1, char16_t(0xDC00));
    struct Row {
        const char* name;
        Text text;
        std::size_t maxBytes;
        std::size_t keptUnits;
    };
    const Row rows[] = {
        {"ascii_254", Text(254, u'a'), 255, 254},
        {"ascii_255", Text(255, u'a'), 255, 255},
        {"ascii_256", Text(256, u'a'), 255, 255},
        {"three_byte_not_split", Text(100, u'\u20AC'), 255, 85},
        {"pair_not_split_at_2", u"\U0001F600", 3, 0},
        {"pair_kept_at_4", u"a\U0001F600b", 5, 3},
        {"lone_surrogate_counts_three", u"a" + lone + u"b", 3, 1},
        {"zero", u"abc", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Text cut = prefixFittingUtf8Bytes(row.text, row.maxBytes);
        EXPECT_EQ(cut, row.text.substr(0, row.keptUnits));
        EXPECT_LE(utf8Length(cut), row.maxBytes);
        EXPECT_EQ(utf8Length(cut), text::toUtf8(cut).size());
    }
}

TEST(ExportNames, DirectoryNamesAreOneHarmlessComponent) {
    struct Row {
        const char* name;
        Text input;
        Text folder;
        Text account;
    };
    const Row rows[] = {
        {"plain", u"Recipes", u"Recipes", u"Recipes"},
        {"empty", u"", u"Untitled Folder", u"Untitled Account"},
        {"dot", u".", u"_.", u"_."},
        {"dot_dot", u"..", u"_..", u"_.."},
        {"three_dots_kept", u"...", u"...", u"..."},
        {"slashes", u"/a/", u"-a-", u"-a-"},
        {"nul", Text(u"\0", 1), u"-", u"-"},
        {"spaces_kept", u" x ", u" x ", u" x "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(directoryNameForFolder(row.input), row.folder);
        EXPECT_EQ(directoryNameForAccount(row.input), row.account);
    }
    Text emoji;  // 64 of 4 bytes: cut between pairs to 252 bytes
    for (int i = 0; i < 64; ++i) {
        emoji += u"\U0001F600";
    }
    EXPECT_EQ(directoryNameForFolder(emoji), emoji.substr(0, 126));
}

TEST(ExportNames, UniqueFileNamesKeepTheirCharactersAndFitWithTheirCounter) {
    PathUtilities::TakenFilenames taken;  // its counting and letter case are its own test's
    // Compared regardless of composition, yet written as the note has it (not decomposed).
    taken.insert(u"000_Cafe\u0301.html");
    EXPECT_EQ(uniqueFileName(u"000_Caf\u00E9", u"html", taken), u"000_Caf\u00E9 - 2.html");

    const Text base = u"001_" + Text(300, u'b');
    const Text fitted = fittedBaseName(base, u"plain-text");
    EXPECT_EQ(utf8Length(fitted), 244u);
    taken.insert(fitted + u".plain-text");
    const Text unique = uniqueFileName(base, u"plain-text", taken);
    EXPECT_EQ(utf8Length(unique), 255u);
    EXPECT_EQ(unique, base.substr(0, 240) + u" - 2.plain-text");

    // The shortened name is free, yet it keeps the counter that marks it as the second one.
    taken.insert(unique);
    EXPECT_EQ(uniqueFileName(base, u"plain-text", taken), base.substr(0, 240) + u" - 3.plain-text");
}

// The walk's names live in memory: a name given out is taken before anything is on disk, and
// one given back is free again (directories: the folder-tree tests above).
TEST(ExportDirectories, NamesGivenOutStayTakenWithoutLookingAtTheDisk) {
    PrivateEnvironment env;
    const FileURL folder = FileURL::fileURLWithPath(env.root().string(), true);
    note_file::ExportDirectories directories;
    const FileURL first = directories.claimFile(folder, u"000_N", u"html");
    EXPECT_EQ(first.path(), (env.root() / "000_N.html").string());
    EXPECT_EQ(directories.claimFile(folder, u"000_N", u"html").path(),
              (env.root() / "000_N - 2.html").string());
    directories.release(first);
    EXPECT_EQ(directories.claimFile(folder, u"000_N", u"html"), first);
}

}  // namespace
}  // namespace quillmere::test
