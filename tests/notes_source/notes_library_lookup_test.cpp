#include "notes_source/notes_library_lookup.h"

#include <gtest/gtest.h>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

// No library or a missing one: no application. A broken one: no accounts. Each lookup reads
// the file afresh.
TEST(NotesLibraryLookup, AnswersWhatTheRunNeedsToTellTheCasesApart) {
    test::PrivateEnvironment env;
    NotesLibraryLookup none(std::nullopt);
    EXPECT_EQ(none.applicationWithBundleIdentifier("com.apple.notes"), nullptr);
    EXPECT_EQ(none.lastError(), "No Notes library chosen.");

    const auto path = (env.root() / "library.json").string();
    NotesLibraryLookup lookup(path);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.notes"), nullptr);
    EXPECT_EQ(lookup.lastError(), path + ": cannot be read (No such file or directory)");

    test::writeFile(path, R"({"format": "notes-library", "version": 3})");
    auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->accounts().count(), 0u);
    EXPECT_EQ(notes->notes().count(), 0u);
    EXPECT_EQ(lookup.lastError(),
              path + ": version: unknown version 3 (this importer reads version 1)");

    test::writeFile(path, R"({"format": "notes-library", "version": 1, "accounts": [{}, {}]})");
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.mail"), nullptr);
    EXPECT_EQ(lookup.applicationWithBundleIdentifier("com.apple.notes")->accounts().count(), 2u);
    EXPECT_EQ(lookup.lastError(), std::nullopt);

    // The bundled sample reads cleanly.
    NotesLibraryLookup sample(QUILLMERE_SOURCE_DIR "/samples/notes-library.json");
    EXPECT_GE(sample.applicationWithBundleIdentifier("com.apple.notes")->accounts().count(), 1u);
    EXPECT_EQ(sample.lastError(), std::nullopt);
}

}  // namespace
}  // namespace quillmere
