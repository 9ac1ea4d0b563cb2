#pragma once
// For tests that read fixtures from outside the tree (the shared folder beside the project,
// ../shared, or a system file a package installs). Without its fixture such a test is skipped
// on a developer's machine but fails under continuous integration (CI set and not empty), where
// a green run must mean that the fixtures were read.
//
//   TEST(NoteBody, RendersStoredNotes) {
//       QUILLMERE_REQUIRE_FIXTURE(fs::exists(kBlobs), "the note blobs at " << kBlobs.string());
//       ...
//   }

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillmere::test {

inline bool underContinuousIntegration() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0';
}

}  // namespace quillmere::test

// Ends the test (fails it under CI, skips it otherwise) unless `present`; `what` is streamed
// into the message and names the missing fixture. For TEST bodies and other void functions.
#define QUILLMERE_REQUIRE_FIXTURE(present, what)                                  \
    do {                                                                          \
        if (!(present)) {                                                         \
            if (::quillmere::test::underContinuousIntegration()) {                \
                FAIL() << "missing under CI (CI is set): " << what;               \
            }                                                                     \
            GTEST_SKIP() << "missing: " << what << " (under CI this test fails)"; \
        }                                                                         \
    } while (false)
