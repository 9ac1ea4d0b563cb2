// The Notes container's files as a backup hands them over, read through the manifest: the same
// bytes as in the container, plain or decrypted in pieces, found with or without the account
// prefix; never anything but a regular file the manifest names; damage shows as a failed read.

#include "notes_source/backup/backup_notes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fixtures.h"
#include "tests/support/ios_backup.h"
#include "tests/support/private_environment.h"

namespace quillmere::backup {
namespace {

namespace fs = std::filesystem;

const std::string kAttachment =
    "Accounts/LocalAccount/Media/8D7EFE9A-D285-4899-8A2F-2AD8F007F819/"
    "1_0EBCC207-6001-406B-AC27-841CF2BB81FE/bitcoin.pdf";
const std::string kPassword = "pass word";

// The whole stream, read in pieces that are no multiple of the cipher's block; nullopt when a
// read fails.
std::optional<std::string> readAll(SourceFileStream& stream) {
    std::string bytes;
    char piece[1000];
    for (;;) {
        const auto n = stream.read(piece, sizeof piece);
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.append(piece, static_cast<std::size_t>(n));
    }
}

class BackupFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUILLMERE_REQUIRE_FIXTURE(test::iosBackupContainerPresent(),
                                  "the Notes container at " << test::iosBackupContainer().string());
    }
    BackupFilesOpen open(const fs::path& backup) {
        PasswordRing passwords({secureBytesOf(kPassword)});
        return openBackupFiles(backup, &passwords);
    }
    test::PrivateEnvironment env;
};

TEST_F(BackupFilesTest, HandsOverTheContainersFilesByTheirPaths) {
    struct Row {
        const char* name;
        std::vector<std::string> options;
        bool encrypted, withoutPrefix;
    };
    const std::vector<Row> rows = {
        {"plain", {}, false, false},
        {"encrypted", {"--password", kPassword}, true, false},
        {"without_account_prefix", {"--strip-account"}, false, true},
        {"encrypted_without_account_prefix",
         {"--password", kPassword, "--strip-account"},
         true,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path backup = test::makeIosBackup(env.root() / row.name, row.options);
        BackupFilesOpen opened = open(backup);
        ASSERT_TRUE(opened.files) << opened.error.value_or("");
        EXPECT_EQ(opened.encrypted, row.encrypted);
        const BackupFiles& files = *opened.files;
        for (const std::string& path : {kAttachment, std::string("NoteStore.sqlite")}) {
            EXPECT_EQ(files.kindOf(path), SourceFileKind::regularFile) << path;
            auto stream = files.open(path);
            ASSERT_TRUE(stream) << path;
            const std::string expected = test::readFile(test::iosBackupContainer() / path);
            EXPECT_EQ(stream->info().size, expected.size()) << path;
            EXPECT_EQ(readAll(*stream), expected) << path;
        }
        struct Kind {
            std::string path;
            SourceFileKind kind;
        };
        const std::vector<Kind> kinds = {
            {"Accounts/LocalAccount",
             row.withoutPrefix ? SourceFileKind::missing : SourceFileKind::notFollowed},
            {"Accounts/LocalAccount/Media/none.pdf", SourceFileKind::missing},
            {"Accounts/Other/Media/8D7EFE9A-D285-4899-8A2F-2AD8F007F819/x.pdf",
             SourceFileKind::missing},
            {"../Manifest.db", SourceFileKind::missing},
            {"/NoteStore.sqlite", SourceFileKind::missing},
            {"Library/Preferences/com.example.settings.plist", SourceFileKind::missing},
        };
        for (const Kind& kind : kinds) {
            EXPECT_EQ(files.kindOf(kind.path), kind.kind) << kind.path;
            EXPECT_FALSE(kind.kind != SourceFileKind::regularFile && files.open(kind.path))
                << kind.path;
        }
    }
}

TEST_F(BackupFilesTest, ADamagedOrReplacedFileIsNeverHandedOverAsItsContent) {
    const std::string attachmentId = "846a8cfc021d017227d52e61ecdb768efba38a60";
    struct Row {
        const char* name;
        std::function<void(const fs::path& file)> damage;
        bool opens;  // it opens, and then a read fails
    };
    const std::vector<Row> rows = {
        {"last_block_cut", [](const fs::path& f) { fs::resize_file(f, fs::file_size(f) - 16); },
         true},
        {"cut_inside_a_block", [](const fs::path& f) { fs::resize_file(f, fs::file_size(f) - 5); },
         true},
        {"symbolic_link",
         [](const fs::path& f) {
             fs::remove(f);
             fs::create_symlink(test::iosBackupContainer() / kAttachment, f);
         },
         false},
        {"folder",
         [](const fs::path& f) {
             fs::remove(f);
             fs::create_directory(f);
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path backup =
            test::makeIosBackup(env.root() / row.name, {"--password", kPassword});
        row.damage(backup / attachmentId.substr(0, 2) / attachmentId);
        BackupFilesOpen opened = open(backup);
        ASSERT_TRUE(opened.files) << opened.error.value_or("");
        auto stream = opened.files->open(kAttachment);
        EXPECT_EQ(stream != nullptr, row.opens);
        if (stream) {
            EXPECT_EQ(readAll(*stream), std::nullopt);
            EXPECT_FALSE(stream->problem().empty());
        }
    }
}

}  // namespace
}  // namespace quillmere::backup
