#pragma once
// iPhone and iPad backup folders for the tests, made by tests/support/make_ios_backup.py (Python's
// hashlib and the openssl command: another road than the importer's to the same format).
//
//   const fs::path backup = makeIosBackup(env.root() / "backup", {"--password", "pw"});

#include <filesystem>
#include <string>
#include <vector>

namespace quillmere::test {

// The Notes container that goes into the backups (NoteStore.sqlite and one attachment).
std::filesystem::path iosBackupContainer();

// Whether the container is there (for QUILLMERE_REQUIRE_FIXTURE).
bool iosBackupContainerPresent();

// Makes a backup at `out` (which must not exist) from the container, with the tool's `options`;
// without `withContainer`, a backup that holds no Notes. Expects the tool to succeed.
std::filesystem::path makeIosBackup(const std::filesystem::path& out,
                                    const std::vector<std::string>& options,
                                    bool withContainer = true);

}  // namespace quillmere::test
