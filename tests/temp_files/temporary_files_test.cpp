#include "temp_files/temporary_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "temp_files/unique_identifier.h"
#include "tests/support/private_environment.h"

namespace quillmere::TemporaryFiles {
namespace {

namespace fs = std::filesystem;

constexpr char kAppFolder[] = "com.quillmereapp.NotesImporter";

std::optional<FileURL> create(const std::optional<Text>& context, Error* error = nullptr) {
    return createUniqueTemporaryDirectoryWithContext(FileManager::defaultManager(), context, error);
}

// A context is one path component inside the application folder, whatever it holds; creating
// makes its folder when missing, and removing takes away that folder only. That each run gets a
// directory of its own, and keeps it, is the app's run to show.
TEST(TemporaryContainerURL, KeepsAnyContextToOneComponentInsideTheFolder) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    EXPECT_EQ(temporaryContainerURLForContext(manager, std::nullopt).path(),
              (env.tmp() / kAppFolder).string());
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "naming the container creates nothing";
    const std::optional<FileURL> plain = create(std::nullopt);
    ASSERT_TRUE(plain);
    const struct {
        const char* name;
        Text context;
        std::string component;
    } cases[] = {
        {"plain", u"Caf\u00E9", "Caf\xC3\xA9"},
        {"separator", u"a/b", "a_b"},
        {"climbing", u"../../etc", ".._.._etc"},
        {"dot", u".", "_"},
        {"dot_dot", u"..", "__"},
        {"empty", u"", "_"},
        {"nul", Text(u"a\0b", 3), "a_b"},
        {"three_dots_is_a_name", u"...", "..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = env.tmp() / kAppFolder / c.component;
        EXPECT_EQ(temporaryContainerURLForContext(manager, c.context).path(), folder.string());
        const std::optional<FileURL> created = create(c.context);
        EXPECT_TRUE(created);
        if (created) {
            EXPECT_EQ(fs::path(created->path()).parent_path(), folder);
        }

        removeTemporaryItemsForContext(manager, c.context);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_TRUE(fs::is_directory(plain->path()));
    }
    EXPECT_EQ(test::entryNames(env.tmp()).size(), 1u) << "nothing escaped the application folder";
    removeTemporaryItemsForContext(manager, std::nullopt);
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "the whole folder goes, the temporary directory stays";
    removeTemporaryItemsForContext(manager, std::nullopt);  // nothing there: no effect, no report
}

TEST(CreateUniqueTemporaryDirectory, ReportsWhatIsInTheWay) {
    test::PrivateEnvironment env;
    test::writeFile(env.tmp() / kAppFolder, "not a folder");
    Error error;
    EXPECT_FALSE(create(u"C", &error));
    EXPECT_FALSE(error.description.empty());
    EXPECT_NE(error.recoverySuggestion.find(kAppFolder), std::string::npos)
        << error.recoverySuggestion;
    EXPECT_EQ(test::readFile(env.tmp() / kAppFolder), "not a folder");
    EXPECT_FALSE(create(std::nullopt, nullptr)) << "a missing error place is allowed";

    // Creating goes through the given manager.
    struct RefusingFileManager : FileManager {
        bool createDirectoryAtURL(const FileURL&, bool, Error* error) override {
            *error = Error{"refused", ""};
            return false;
        }
    } refusing;
    fs::remove(env.tmp() / kAppFolder);
    EXPECT_FALSE(createUniqueTemporaryDirectoryWithError(refusing, &error));
    EXPECT_EQ(error.description, "refused");
}

// Where the per-user directory is not safe (its checks are the private temporary directory's),
// removing reaches nothing through it.
TEST(RemoveTemporaryItems, RemovesNothingThroughALinkPlantedInASharedDirectory) {
    test::PrivateEnvironment env;
    const fs::path shared = env.root() / "shared", victim = env.root() / "victim";
    fs::create_directories(victim / kAppFolder / "keep");
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    env.set("TMPDIR", shared.string());
    fs::create_directory_symlink(victim, shared / ("quillmere-" + std::to_string(::geteuid())));
    removeTemporaryItemsForContext(FileManager::defaultManager(), std::nullopt);
    EXPECT_TRUE(fs::is_directory(victim / kAppFolder / "keep"));
}

TEST(NewUniqueIdentifier, IsANewVersionFourUuidInLowercaseHexWithoutHyphens) {
    std::set<Text> seen;
    std::set<char16_t> digits;  // writing only half of each byte would miss some
    for (int i = 0; i < 5000; ++i) {
        const Text identifier = UniqueIdentifier::newUniqueIdentifier();
        SCOPED_TRACE(text::toUtf8(identifier));
        ASSERT_EQ(identifier.size(), 32u);
        EXPECT_EQ(identifier.find_first_not_of(u"0123456789abcdef"), Text::npos);
        EXPECT_EQ(identifier[12], u'4') << "version digit (byte 6, high half)";
        EXPECT_NE(Text(u"89ab").find(identifier[16]), Text::npos) << "variant (byte 8, high half)";
        EXPECT_TRUE(seen.insert(identifier).second) << "repeated";
        digits.insert(identifier.begin(), identifier.end());
    }
    EXPECT_EQ(digits.size(), 16u);
}

}  // namespace
}  // namespace quillmere::TemporaryFiles
