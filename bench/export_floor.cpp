// The floor for a whole import: writes exactly the tree of files that an import wrote, with the
// system calls the importer makes for each (a directory per folder; per file a new temporary
// sibling opened exclusively, one write, close, rename onto the name, the modification date
// set), and nothing else. The tree is read into memory first; only the writing is timed.
//
//   export_floor IMPORTED_TREE NEW_DIRECTORY    # prints the wall and CPU seconds of the writing

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct File {
    std::string relativePath;
    std::string bytes;
    struct timespec modified;
};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// User and system time of the process so far.
double cpuSeconds() {
    struct timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IMPORTED_TREE NEW_DIRECTORY\n", argv[0]);
        return 2;
    }
    const fs::path source = argv[1];
    const std::string target = argv[2];

    // Pre-order, as the import makes them: a directory before what it holds.
    std::vector<std::string> directories;
    std::vector<File> files;
    for (auto it = fs::recursive_directory_iterator(source); it != fs::end(it); ++it) {
        const std::string relative = fs::relative(it->path(), source).string();
        if (it->is_directory()) {
            directories.push_back(relative);
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        struct stat info {};
        ::stat(it->path().c_str(), &info);
        files.push_back(File{relative, bytes.str(), info.st_mtim});
    }

    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    if (::mkdir(target.c_str(), 0777) != 0) {
        std::perror(target.c_str());
        return 1;
    }
    for (const std::string& directory : directories) {
        ::mkdir((target + "/" + directory).c_str(), 0777);
    }
    unsigned counter = 0;
    for (const File& file : files) {
        const std::string path = target + "/" + file.relativePath;
        const std::string temporary =
            fs::path(path).parent_path().string() + "/.floor-" + std::to_string(++counter);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || !writeAll(fd, file.bytes) || ::close(fd) != 0 ||
            ::rename(temporary.c_str(), path.c_str()) != 0) {
            std::perror(path.c_str());
            return 1;
        }
        const struct timespec times[2] = {{0, UTIME_OMIT}, file.modified};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f %.3f\n", took.count(), cpuSeconds() - cpuStart);
    return 0;
}
