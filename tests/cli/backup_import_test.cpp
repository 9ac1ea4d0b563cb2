// The built command on iPhone and iPad backups made by tests/support/make_ios_backup.py from the
// macOS 15 Notes container: plain and encrypted backups import exactly as the container itself
// does, the backup folder stays byte for byte as it was, no decrypted copy outlives the run, and
// each broken backup, missing or wrong password gives its one line and exit status 1.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/fixtures.h"
#include "tests/support/ios_backup.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const std::string kDatabaseFile = "4f/4f98687d8ab0d6d1a371110e6b7300f6e465bef2";

class BackupImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUILLMERE_REQUIRE_FIXTURE(iosBackupContainerPresent(),
                                  "the Notes container at " << iosBackupContainer().string());
    }

    std::vector<std::string> environment() const {
        std::vector<std::string> variables = {"PATH=/usr/local/bin:/usr/bin:/bin", "LANG=C.UTF-8",
                                              "XDG_DATA_DIRS=" + (env.root() / "none").string()};
        for (const char* name : {"TMPDIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                 "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
            if (const char* value = ::getenv(name))
                variables.push_back(name + ("=" + std::string(value)));
        }
        return variables;
    }

    fs::path makeBackup(const std::string& name, const std::vector<std::string>& options,
                        bool withContainer = true) const {
        return makeIosBackup(env.root() / "backups" / name, options, withContainer);
    }

    ProgramResult import(const fs::path& library, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> argv = {QUILLMERE_IMPORT_COMMAND, "--library", library.string(),
                                         "--no-open", "--quiet"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        const auto variables = environment();
        fs::create_directories(env.root() / "run");
        return runProgram(argv, env.root() / "run", &variables);
    }

    fs::path passwordFile(const std::string& firstLine) {
        const fs::path path = env.root() / "password.txt";
        writeFile(path, firstLine + "\nsecond line\n");
        return path;
    }

    // The scratch folders the importer left in the private temporary directory.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        for (const auto& name : entryNames(env.tmp())) {
            if (name.starts_with("backup-") || name.starts_with("notestore-"))
                found.push_back(name);
        }
        return found;
    }

    PrivateEnvironment env;
};

TEST_F(BackupImportTest, BackupsImportAsTheirContainerDoesAndStayUntouched) {
    const ProgramResult direct = import(iosBackupContainer());
    ASSERT_EQ(direct.exitStatus, 0) << direct.err;
    const auto expected = tree(direct.lastOutLine());
    ASSERT_GT(expected.size(), 3u);

    struct Row {
        const char* name;
        std::vector<std::string> makeOptions;
        std::vector<std::string> importOptions;
    };
    const std::vector<Row> rows = {
        {"plain", {}, {}},
        {"plain_without_account_folders", {"--strip-account"}, {}},
        {"encrypted", {"--password", "s3cret pass"}, {"--backup-password-file", "PASSWORD"}},
        {"encrypted_sha1_step_only",
         {"--password", "s3cret pass", "--no-dpsl"},
         {"--backup-password-file", "PASSWORD"}},
    };
    for (const Row& row : rows) {
        const fs::path backup = makeBackup(row.name, row.makeOptions);
        const auto before = tree(backup);
        std::vector<std::string> options = row.importOptions;
        for (auto& option : options) {
            if (option == "PASSWORD") option = passwordFile("s3cret pass").string();
        }
        const ProgramResult result = import(backup, options);
        EXPECT_EQ(result.exitStatus, 0) << row.name << ": " << result.err;
        if (result.exitStatus == 0) {
            EXPECT_EQ(tree(result.lastOutLine()), expected) << row.name;
        }
        EXPECT_EQ(tree(backup), before) << row.name;
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << row.name;
    }
}

TEST_F(BackupImportTest, EachBrokenBackupOrPasswordIsOneLineAndExitStatusOne) {
    struct Row {
        const char* name;
        std::function<fs::path()> make;
        std::vector<std::string> importOptions;
        std::string line;  // what the line on standard error holds
    };
    const std::vector<Row> rows = {
        {"wrong_password",
         [&] {
             return makeBackup("wrong", {"--password", "right"});
         },
         {"--backup-password-file", "wrong"},
         ": the backup password is not correct"},
        {"no_password",
         [&] {
             return makeBackup("none", {"--password", "right"});
         },
         {},
         ": the backup is encrypted, and no backup password was given"},
        {"hostile_round_count",
         [&] {
             return makeBackup("rounds", {"--password", "right", "--record-dpic", "4000000000"});
         },
         {"--backup-password-file", "right"},
         "asks for 4000000000 DPIC key rounds"},
        {"damaged_keybag",
         [&] {
             return makeBackup("keybag", {"--password", "right", "--cut-keybag", "100"});
         },
         {"--backup-password-file", "right"},
         ": the backup's keybag is damaged: "},
        {"database_file_missing",
         [&] {
             const fs::path backup = makeBackup("missing", {});
             fs::remove(backup / kDatabaseFile);
             return backup;
         },
         {},
         ": the backup lacks " + kDatabaseFile + " (NoteStore.sqlite), which its manifest names"},
        {"damaged_manifest_database",
         [&] {
             const fs::path backup = makeBackup("manifest", {});
             writeFile(backup / "Manifest.db", std::string(8192, 'x'));
             return backup;
         },
         {},
         ": the backup's Manifest.db is damaged ("},
        {"encrypted_manifest_database_cut",
         [&] {
             const fs::path backup = makeBackup("cut", {"--password", "right"});
             fs::resize_file(backup / "Manifest.db", fs::file_size(backup / "Manifest.db") - 5);
             return backup;
         },
         {"--backup-password-file", "right"},
         ": the backup's Manifest.db cannot be decrypted: "},
        {"no_notes",
         [&] { return makeBackup("empty", {}, false); },
         {},
         ": the backup holds no Notes (no NoteStore.sqlite in its manifest)"},
        {"older_than_ios_10",
         [&] {
             const fs::path backup = env.root() / "backups" / "old";
             writeFile(backup / "Manifest.mbdb", "mbdb\x05");
             writeFile(backup / "Manifest.plist", "<plist/>");
             return backup;
         },
         {},
         ": a backup older than iOS 10 (Manifest.mbdb), which cannot be read"},
        {"not_a_backup",
         [&] {
             const fs::path folder = env.root() / "backups" / "photos";
             writeFile(folder / "Info.plist", "<plist/>");
             return folder;
         },
         {},
         ": a folder with neither NoteStore.sqlite nor an iPhone or iPad backup in it"},
        {"unreadable_password_file",
         [&] {
             return makeBackup("nofile", {"--password", "right"});
         },
         {"--backup-password-file", "/nonexistent/password.txt"},
         "/nonexistent/password.txt: the backup password cannot be read: "},
    };
    for (const Row& row : rows) {
        const fs::path backup = row.make();
        const auto before = tree(backup);
        std::vector<std::string> options = row.importOptions;
        if (options.size() == 2 && !options[1].starts_with("/")) {
            options[1] = passwordFile(options[1]).string();
        }
        const ProgramResult result = import(backup, options);
        EXPECT_EQ(result.exitStatus, 1) << row.name << ": " << result.err;
        EXPECT_NE(result.err.find(row.line), std::string::npos) << row.name << ": " << result.err;
        EXPECT_EQ(result.out, "") << row.name;
        EXPECT_EQ(tree(backup), before) << row.name;
        EXPECT_EQ(leftovers(), std::vector<std::string>{}) << row.name;
    }
}

}  // namespace
}  // namespace quillmere::test
