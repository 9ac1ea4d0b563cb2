#include "temp_files/temporary_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "tests/support/private_environment.h"

namespace quillmere::TemporaryFiles {
namespace {

namespace fs = std::filesystem;

constexpr char kAppFolder[] = "com.quillmereapp.NotesImporter";

std::ptrdiff_t entriesIn(const fs::path& directory) {
    return std::distance(fs::directory_iterator(directory), fs::directory_iterator());
}

std::optional<FileURL> create(const std::optional<Text>& context, Error* error = nullptr) {
    return createUniqueTemporaryDirectoryWithContext(FileManager::defaultManager(), context, error);
}

TEST(CreateUniqueTemporaryDirectory, MakesAFreshEmptyDirectoryEachTime) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const fs::path appFolder = env.tmp() / kAppFolder;
    EXPECT_EQ(temporaryContainerURLForContext(manager, std::nullopt).path(), appFolder.string());
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "naming the container creates nothing";

    Error error{"untouched", ""};
    const std::optional<FileURL> first = createUniqueTemporaryDirectoryWithError(manager, &error);
    const std::optional<FileURL> second = createUniqueTemporaryDirectoryWithError(manager, &error);
    ASSERT_TRUE(first && second) << error.recoverySuggestion;
    EXPECT_EQ(error.description, "untouched");
    EXPECT_NE(first->path(), second->path());
    for (const FileURL& url : {*first, *second}) {
        const fs::path path(url.path());
        EXPECT_EQ(path.parent_path(), appFolder);
        EXPECT_EQ(path.filename().string().size(), 32u) << "named by a unique identifier";
        EXPECT_TRUE(fs::is_directory(path) && fs::is_empty(path));
    }
    EXPECT_EQ(entriesIn(appFolder), 2) << "both stay, side by side";
}

// A context is one path component inside the application folder, whatever it holds; creating
// makes its folder when missing, and removing takes away that folder only.
TEST(TemporaryContainerURL, KeepsAnyContextToOneComponentInsideTheFolder) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
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
        const FileURL url = temporaryContainerURLForContext(manager, c.context);
        EXPECT_EQ(url.path(), folder.string());
        EXPECT_TRUE(url.isDirectory());

        const std::optional<FileURL> created = create(c.context);
        ASSERT_TRUE(created);
        EXPECT_EQ(fs::path(created->path()).parent_path(), folder);
        EXPECT_TRUE(fs::is_directory(created->path()));

        removeTemporaryItemsForContext(manager, c.context);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_TRUE(fs::is_directory(plain->path()));
    }
    EXPECT_EQ(entriesIn(env.tmp()), 1) << "nothing escaped the application folder";
}

TEST(CreateUniqueTemporaryDirectory, FailsWhenAFileIsInTheWay) {
    test::PrivateEnvironment env;
    test::writeFile(env.tmp() / kAppFolder, "not a folder");
    for (const std::optional<Text>& context : {std::optional<Text>(), std::optional<Text>(u"C")}) {
        SCOPED_TRACE(context ? "with context" : "without context");
        Error error;
        EXPECT_FALSE(create(context, &error));
        EXPECT_FALSE(error.description.empty());
        EXPECT_NE(error.recoverySuggestion.find(kAppFolder), std::string::npos)
            << error.recoverySuggestion;
    }
    EXPECT_EQ(test::readFile(env.tmp() / kAppFolder), "not a folder");
    EXPECT_FALSE(create(std::nullopt, nullptr)) << "a missing error place is allowed";
}

TEST(CreateUniqueTemporaryDirectory, CreatesThroughTheGivenManager) {
    // Fails every directory creation and remembers where it was asked to create.
    struct RefusingFileManager : FileManager {
        bool createDirectoryAtURL(const FileURL& url, bool, Error* error) override {
            requested = url.path();
            *error = Error{"refused", ""};
            return false;
        }
        std::string requested;
    };
    test::PrivateEnvironment env;
    RefusingFileManager manager;
    Error error;
    EXPECT_FALSE(createUniqueTemporaryDirectoryWithError(manager, &error));
    EXPECT_EQ(error.description, "refused");
    EXPECT_EQ(fs::path(manager.requested).parent_path(), env.tmp() / kAppFolder);
}

// In a temporary directory shared with other users everything goes through a per-user directory;
// a link planted in its place is refused rather than followed.
TEST(CreateUniqueTemporaryDirectory, RefusesALinkPlantedInASharedTemporaryDirectory) {
    test::PrivateEnvironment env;
    const fs::path shared = env.root() / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    env.set("TMPDIR", shared.string());
    const fs::path perUser = shared / ("quillmere-" + std::to_string(::geteuid()));
    const fs::path target = env.root() / "victim";
    fs::create_directories(target / kAppFolder / "keep");
    ::chmod(target.c_str(), 0700);
    fs::create_directory_symlink(target, perUser);
    Error error;
    EXPECT_FALSE(create(std::nullopt, &error));
    EXPECT_NE(error.recoverySuggestion.find("symbolic link"), std::string::npos);
    removeTemporaryItemsForContext(FileManager::defaultManager(), std::nullopt);
    EXPECT_EQ(entriesIn(target / kAppFolder), 1) << "nothing written or removed there";
}

TEST(RemoveTemporaryItems, RemovesTheContainerForTheContextOnly) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const auto plain = create(std::nullopt), inA = create(u"A"), inB = create(u"B");
    ASSERT_TRUE(plain && inA && inB);
    test::writeFile(fs::path(inA->path()) / "Imported from Notes" / "note.html", "x");

    removeTemporaryItemsForContext(manager, u"A");
    EXPECT_FALSE(fs::exists(env.tmp() / kAppFolder / "A"));
    EXPECT_TRUE(fs::is_directory(inB->path()) && fs::is_directory(plain->path()));
    removeTemporaryItemsForContext(manager, std::nullopt);
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "the whole folder goes, the temporary directory stays";
    removeTemporaryItemsForContext(manager, std::nullopt);  // nothing there: no effect, no report
    EXPECT_TRUE(fs::is_empty(env.tmp()));
}

}  // namespace
}  // namespace quillmere::TemporaryFiles
