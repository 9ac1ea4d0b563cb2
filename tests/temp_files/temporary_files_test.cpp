#include "temp_files/temporary_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere::TemporaryFiles {
namespace {

namespace fs = std::filesystem;

constexpr char kAppFolder[] = "com.quillmereapp.NotesImporter";

std::vector<std::string> namesIn(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isIdentifier(const std::string& name) {
    return name.size() == 32 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Fails every directory creation, to show that the creation goes through the given manager.
class RefusingFileManager : public FileManager {
public:
    bool createDirectoryAtURL(const FileURL& url, bool, Error* error) override {
        requested = url.path();
        if (error != nullptr) {
            *error = Error{"refused", ""};
        }
        return false;
    }
    std::string requested;
};

TEST(TemporaryContainerURL, NamesTheApplicationFolderWithoutTouchingTheDisk) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const FileURL container = temporaryContainerURLForContext(manager, std::nullopt);
    EXPECT_EQ(container.path(), (env.tmp() / kAppFolder).string());
    EXPECT_TRUE(container.isDirectory());

    const FileURL withContext = temporaryContainerURLForContext(manager, u"exports");
    EXPECT_EQ(withContext.path(), (env.tmp() / kAppFolder / "exports").string());
    EXPECT_TRUE(withContext.isDirectory());
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "nothing is created";
}

TEST(TemporaryContainerURL, KeepsAnyContextToOneComponentInsideTheFolder) {
    test::PrivateEnvironment env;
    struct Case {
        const char* name;
        Text context;
        std::string component;
    };
    const Case cases[] = {
        {"plain", u"Caf\u00E9", "Caf\xC3\xA9"},
        {"separator", u"a/b", "a_b"},
        {"climbing", u"../../etc", ".._.._etc"},
        {"absolute", u"/etc", "_etc"},
        {"dot", u".", "_"},
        {"dot_dot", u"..", "__"},
        {"empty", u"", "_"},
        {"nul", Text(u"a\0b", 3), "a_b"},
        {"three_dots_is_a_name", u"...", "..."},
        {"hidden_name", u".cache", ".cache"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileURL url =
            temporaryContainerURLForContext(FileManager::defaultManager(), c.context);
        EXPECT_EQ(url.path(), (env.tmp() / kAppFolder / c.component).string());

        const std::optional<FileURL> created = createUniqueTemporaryDirectoryWithContext(
            FileManager::defaultManager(), c.context, nullptr);
        ASSERT_TRUE(created);
        EXPECT_EQ(fs::path(created->path()).parent_path(), fs::path(url.path()));
    }
    EXPECT_EQ(namesIn(env.tmp()), std::vector<std::string>{kAppFolder})
        << "nothing escaped the application folder";
}

TEST(CreateUniqueTemporaryDirectory, MakesAFreshEmptyDirectoryEachTime) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const fs::path appFolder = env.tmp() / kAppFolder;
    ASSERT_FALSE(fs::exists(appFolder));

    Error error{"untouched", ""};
    const std::optional<FileURL> first = createUniqueTemporaryDirectoryWithError(manager, &error);
    ASSERT_TRUE(first) << error.recoverySuggestion;
    EXPECT_TRUE(fs::is_directory(appFolder)) << "the first creation makes the application folder";
    const std::optional<FileURL> second = createUniqueTemporaryDirectoryWithError(manager, &error);
    ASSERT_TRUE(second);
    EXPECT_EQ(error.description, "untouched");

    EXPECT_NE(first->path(), second->path());
    EXPECT_TRUE(first->isDirectory());
    for (const FileURL& url : {*first, *second}) {
        const fs::path path(url.path());
        EXPECT_EQ(path.parent_path(), appFolder);
        EXPECT_TRUE(isIdentifier(path.filename().string())) << path;
        EXPECT_TRUE(fs::is_directory(path));
        EXPECT_TRUE(fs::is_empty(path));
    }
    EXPECT_EQ(namesIn(appFolder).size(), 2u) << "both stay, side by side";
}

TEST(CreateUniqueTemporaryDirectory, CreatesTheContextFolderWhenMissing) {
    test::PrivateEnvironment env;
    const std::optional<FileURL> created =
        createUniqueTemporaryDirectoryWithContext(FileManager::defaultManager(), u"C", nullptr);
    ASSERT_TRUE(created);
    const fs::path path(created->path());
    EXPECT_EQ(path.parent_path(), env.tmp() / kAppFolder / "C");
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(CreateUniqueTemporaryDirectory, FailsWhenAFileIsInTheWay) {
    test::PrivateEnvironment env;
    test::writeFile(env.tmp() / kAppFolder, "not a folder");
    for (const std::optional<Text>& context : {std::optional<Text>(), std::optional<Text>(u"C")}) {
        SCOPED_TRACE(context ? "with context" : "without context");
        Error error;
        EXPECT_FALSE(createUniqueTemporaryDirectoryWithContext(FileManager::defaultManager(),
                                                               context, &error));
        EXPECT_FALSE(error.description.empty());
        EXPECT_NE(error.recoverySuggestion.find(kAppFolder), std::string::npos)
            << error.recoverySuggestion;
    }
    EXPECT_EQ(test::readFile(env.tmp() / kAppFolder), "not a folder");
    // A missing error place is allowed.
    EXPECT_FALSE(createUniqueTemporaryDirectoryWithError(FileManager::defaultManager(), nullptr));
}

TEST(CreateUniqueTemporaryDirectory, CreatesThroughTheGivenManager) {
    test::PrivateEnvironment env;
    RefusingFileManager manager;
    Error error;
    EXPECT_FALSE(createUniqueTemporaryDirectoryWithError(manager, &error));
    EXPECT_EQ(error.description, "refused");
    EXPECT_EQ(fs::path(manager.requested).parent_path(), env.tmp() / kAppFolder);
}

TEST(CreateUniqueTemporaryDirectory, StaysPrivateInASharedTemporaryDirectory) {
    test::PrivateEnvironment env;
    const fs::path shared = env.root() / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    env.set("TMPDIR", shared.string());

    const std::optional<FileURL> created =
        createUniqueTemporaryDirectoryWithError(FileManager::defaultManager(), nullptr);
    ASSERT_TRUE(created);
    const fs::path perUser = shared / ("quillmere-" + std::to_string(::geteuid()));
    EXPECT_EQ(fs::path(created->path()).parent_path(), perUser / kAppFolder);
    struct stat info {};
    ASSERT_EQ(::lstat(perUser.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(CreateUniqueTemporaryDirectory, RefusesAPlantedLinkAndWritesNothingThere) {
    test::PrivateEnvironment env;
    const fs::path shared = env.root() / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    env.set("TMPDIR", shared.string());
    const fs::path target = env.root() / "victim";
    fs::create_directories(target / kAppFolder / "keep");
    ::chmod(target.c_str(), 0700);
    fs::create_directory_symlink(target, shared / ("quillmere-" + std::to_string(::geteuid())));

    Error error;
    EXPECT_FALSE(createUniqueTemporaryDirectoryWithError(FileManager::defaultManager(), &error));
    EXPECT_NE(error.recoverySuggestion.find("symbolic link"), std::string::npos);
    EXPECT_EQ(namesIn(target / kAppFolder), std::vector<std::string>{"keep"});

    removeTemporaryItemsForContext(FileManager::defaultManager(), std::nullopt);
    EXPECT_TRUE(fs::is_directory(target / kAppFolder / "keep"))
        << "removal never goes through an unsafe temporary directory";
}

TEST(RemoveTemporaryItems, RemovesTheContainerForTheContextOnly) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const fs::path appFolder = env.tmp() / kAppFolder;
    const auto plain = createUniqueTemporaryDirectoryWithError(manager, nullptr);
    const auto inA = createUniqueTemporaryDirectoryWithContext(manager, u"A", nullptr);
    const auto inB = createUniqueTemporaryDirectoryWithContext(manager, u"B", nullptr);
    ASSERT_TRUE(plain && inA && inB);
    test::writeFile(fs::path(inA->path()) / "Imported from Notes" / "note.html", "x");

    removeTemporaryItemsForContext(manager, u"A");
    EXPECT_FALSE(fs::exists(appFolder / "A"));
    EXPECT_TRUE(fs::is_directory(inB->path()));
    EXPECT_TRUE(fs::is_directory(plain->path()));

    removeTemporaryItemsForContext(manager, std::nullopt);
    EXPECT_FALSE(fs::exists(appFolder));
    EXPECT_TRUE(fs::is_directory(env.tmp())) << "the temporary directory itself stays";

    removeTemporaryItemsForContext(manager, std::nullopt);  // nothing there: no effect, no report
    removeTemporaryItemsForContext(manager, u"..");         // never reaches above the folder
    EXPECT_TRUE(fs::is_directory(env.tmp()));
}

TEST(RemoveTemporaryItems, AnUnsafeContextRemovesOnlyItsOwnFolder) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const auto kept = createUniqueTemporaryDirectoryWithError(manager, nullptr);
    ASSERT_TRUE(kept);
    for (const Text context : {u"..", u".", u"", u"../..", u"/"}) {
        SCOPED_TRACE(text::toUtf8(context));
        removeTemporaryItemsForContext(manager, context);
        EXPECT_TRUE(fs::is_directory(kept->path()));
    }
}

}  // namespace
}  // namespace quillmere::TemporaryFiles
