// Every note of Apple's Notes databases and of the stored note blobs, exported by the built
// command with the heading option on and off, is HTML whose end tags all match: libxml2's HTML
// parser reads each file and reports no stray and no mismatched end tag.

#include <libxml/HTMLparser.h>
#include <libxml/xmlerror.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/fixture_libraries.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

// What libxml2's HTML parser says of `html` that shows an end tag without its start tag.
std::vector<std::string> endTagErrors(const std::string& html) {
    std::vector<std::string> errors;
    xmlSetStructuredErrorFunc(&errors, [](void* found, xmlErrorPtr error) {
        const std::string message = error->message ? error->message : "";
        if (message.find("Unexpected end tag") != std::string::npos ||
            message.find("Opening and ending tag mismatch") != std::string::npos) {
            static_cast<std::vector<std::string>*>(found)->push_back(
                "line " + std::to_string(error->line) + ": " + message);
        }
    });
    htmlDocPtr document = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr,
                                         "UTF-8", HTML_PARSE_NONET);
    xmlFreeDoc(document);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    return errors;
}

TEST(WellFormedExport, EveryExportedNoteOfTheFixturesHasMatchedEndTags) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kFixtures / "SOURCES.txt"),
                              "the Notes database fixtures at " << kFixtures.string());
    PrivateEnvironment env;
    writeFile(env.root() / "blobs.json", blobLibrary());
    const std::vector<fs::path> libraries = {
        kFixtures / "NoteStore-macOS-12-Monterey.sqlite",
        kFixtures / "NoteStore-macOS-14-Sonoma.sqlite",
        kFixtures / "NoteStore-macOS-15-Seqoia.sqlite",
        kFixtures / "macOS-15-container",
        env.root() / "blobs.json",
    };
    const std::vector<std::string> environment = {
        "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "TMPDIR=" + env.tmp().string(),
        "HOME=" + env.home().string(), "XDG_DATA_DIRS=" + (env.root() / "none").string()};
    for (const auto& library : libraries) {
        for (const char* heading : {"--heading", "--no-heading"}) {
            SCOPED_TRACE(library.filename().string() + " " + heading);
            const auto result = runProgram({QUILLMERE_IMPORT_COMMAND, "--library", library.string(),
                                            heading, "--no-open", "--quiet"},
                                           env.root(), &environment);
            EXPECT_EQ(result.exitStatus, 0) << result.err;
            if (result.exitStatus != 0) continue;
            int files = 0;
            for (const auto& entry : fs::recursive_directory_iterator(result.lastOutLine())) {
                if (entry.path().extension() != ".html") continue;
                ++files;
                EXPECT_EQ(endTagErrors(readFile(entry.path())), std::vector<std::string>{})
                    << entry.path();
            }
            EXPECT_GE(files, 5);
        }
    }
}

}  // namespace
}  // namespace quillmere::test
