#include "notes_source/container_folder_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

struct KindRow {
    const char* name;
    std::string path;
    SourceFileKind kind;
};

class ContainerFolderFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        container_ = environment_.root() / "container";
        test::writeFile(container_ / "Accounts/A/Media/ID/1_G/file.pdf", "%PDF-1.4 bytes");
        test::writeFile(container_ / "top.txt", "top");
        test::writeFile(environment_.root() / "outside/secret.txt", "secret");
        fs::create_symlink(environment_.root() / "outside/secret.txt",
                           container_ / "Accounts/A/Media/ID/1_G/link.pdf");
        fs::create_symlink(environment_.root() / "outside", container_ / "Accounts/A/Linked");
        fs::create_directories(container_ / "Accounts/A/Linked2");
        ASSERT_EQ(::mkfifo((container_ / "Accounts/A/Media/ID/1_G/fifo.pdf").c_str(), 0600), 0);
        files_ = containerFolderFiles(container_.string());
    }

    test::PrivateEnvironment environment_;
    fs::path container_;
    std::shared_ptr<const SourceFiles> files_;
};

TEST_F(ContainerFolderFilesTest, AnswersOnlyRegularFilesReachedWithoutLinks) {
    const KindRow rows[] = {
        {"regular_file_deep", "Accounts/A/Media/ID/1_G/file.pdf", SourceFileKind::regularFile},
        {"regular_file_at_top", "top.txt", SourceFileKind::regularFile},
        {"missing_file", "Accounts/A/Media/ID/1_G/gone.pdf", SourceFileKind::missing},
        {"file_as_directory", "top.txt/x", SourceFileKind::missing},
        {"final_symbolic_link", "Accounts/A/Media/ID/1_G/link.pdf", SourceFileKind::notFollowed},
        {"symbolic_link_on_the_way", "Accounts/A/Linked/secret.txt", SourceFileKind::notFollowed},
        {"fifo", "Accounts/A/Media/ID/1_G/fifo.pdf", SourceFileKind::notFollowed},
        {"directory", "Accounts/A/Linked2", SourceFileKind::notFollowed},
        {"climbs_out", "Accounts/../../outside/secret.txt", SourceFileKind::missing},
        {"absolute", (environment_.root() / "outside/secret.txt").string(),
         SourceFileKind::missing},
        {"empty_component", "Accounts//A/Media/ID/1_G/file.pdf", SourceFileKind::missing},
        {"dot_component", "./top.txt", SourceFileKind::missing},
        {"empty", "", SourceFileKind::missing},
    };
    for (const KindRow& row : rows) {
        EXPECT_EQ(files_->kindOf(row.path), row.kind) << row.name;
        EXPECT_EQ(files_->open(row.path) != nullptr, row.kind == SourceFileKind::regularFile)
            << row.name;
    }
}

TEST_F(ContainerFolderFilesTest, StreamsTheBytesWithTheFilesDate) {
    const fs::path file = container_ / "Accounts/A/Media/ID/1_G/file.pdf";
    const struct timespec times[2] = {{1000, 0}, {1'700'000'000, 250'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    auto stream = files_->open("Accounts/A/Media/ID/1_G/file.pdf");
    ASSERT_TRUE(stream);
    std::string bytes;
    char chunk[4];  // smaller than the file: the reads continue where they stopped
    for (std::ptrdiff_t n; (n = stream->read(chunk, sizeof chunk)) > 0;) bytes.append(chunk, n);
    EXPECT_EQ(bytes, "%PDF-1.4 bytes");
    EXPECT_EQ(stream->info().size, 14u);
    ASSERT_TRUE(stream->info().modificationDate);
    EXPECT_EQ(stream->info().modificationDate->time_since_epoch().count(), 1'700'000'000'250'000);
}

TEST(ContainerFolderFiles, AFolderThatIsNotThereHasNoFiles) {
    auto files = containerFolderFiles("/nonexistent-quillmere-container");
    EXPECT_EQ(files->kindOf("top.txt"), SourceFileKind::missing);
}

}  // namespace
}  // namespace quillmere
