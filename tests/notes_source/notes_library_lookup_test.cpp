#include "notes_source/notes_library_lookup.h"

#include <gtest/gtest.h>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

class NotesLibraryLookupTest : public ::testing::Test {
protected:
    std::string write(const std::string& json) {
        const auto path = (env_.root() / "library.json").string();
        test::writeFile(path, json);
        return path;
    }
    test::PrivateEnvironment env_;
};

TEST_F(NotesLibraryLookupTest, AnswersNoApplicationWithoutALibrary) {
    NotesLibraryLookup none(std::nullopt);
    EXPECT_EQ(none.applicationWithBundleIdentifier("com.apple.notes"), nullptr);
    EXPECT_EQ(none.lastError(), "No Notes library chosen.");

    const auto path = (env_.root() / "gone.json").string();
    NotesLibraryLookup missing(path);
    EXPECT_EQ(missing.applicationWithBundleIdentifier("com.apple.notes"), nullptr);
    EXPECT_EQ(missing.lastError(), path + ": cannot be read (No such file or directory)");
}

TEST_F(NotesLibraryLookupTest, AnswersNoAccountsForAFileThatIsNoLibrary) {
    const auto path = write(R"({"format": "notes-library", "version": 3})");
    NotesLibraryLookup lookup(path);
    auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->accounts().count(), 0u);
    EXPECT_EQ(notes->notes().count(), 0u);
    EXPECT_EQ(lookup.lastError(),
              path + ": version: unknown version 3 (this importer reads version 1)");
}

TEST_F(NotesLibraryLookupTest, ReadsTheLibraryAfreshOnEveryLookup) {
    const auto path = write(R"({"format": "notes-library", "version": 1, "accounts": [{}]})");
    NotesLibraryLookup lookup(path);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.mail"), nullptr);
    EXPECT_EQ(lookup.lastError(), std::nullopt);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.notes")->accounts().count(), 1u);

    write(R"({"format": "notes-library", "version": 1, "accounts": [{}, {}]})");
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.notes")->accounts().count(), 2u);
    EXPECT_EQ(lookup.lastError(), std::nullopt);
}

}  // namespace
}  // namespace quillmere
