// Names on disk: UTF-8 lengths, cuts at character boundaries, one-component directory names
// and unique note file names that fit.

#include <gtest/gtest.h>

#include "app/export_names.h"
#include "app/note_file.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

using namespace export_names;

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
    PathUtilities::TakenFilenames taken;
    taken.insert(u"000_A.HTML");
    EXPECT_EQ(uniqueFileName(u"000_a", u"html", taken), u"000_a - 2.html");
    taken.insert(u"000_a - 2.html");
    EXPECT_EQ(uniqueFileName(u"000_a", u"html", taken), u"000_a - 3.html");
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
// one given back is free again.
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

    bool renamed = true;
    EXPECT_EQ(directories.claimDirectory(folder, u"D", &renamed).path(),
              (env.root() / "D").string());
    EXPECT_FALSE(renamed);
    EXPECT_EQ(directories.claimDirectory(folder, u"D", &renamed).path(),
              (env.root() / "D").string());
    EXPECT_FALSE(renamed);
    EXPECT_EQ(directories.claimDirectory(folder, u"000_N.html", &renamed).path(),
              (env.root() / "000_N - 3.html").string());
    EXPECT_TRUE(renamed);
}

}  // namespace
}  // namespace quillmere::test
