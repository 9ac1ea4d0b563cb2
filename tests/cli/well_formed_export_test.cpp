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

#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_store.pb.h"
#include "notes_source/note_store/note_table.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";

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

std::string jsonString(const std::string& utf8) {
    std::string quoted = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// A Notes library of one folder with one note per stored blob, each body decoded as the
// database's reader decodes it; a table blob stands as the one attachment of its note.
std::string blobLibrary() {
    std::string notes;
    for (const auto& entry : fs::directory_iterator(kFixtures / "blobs")) {
        const std::string data = readFile(entry.path());
        const std::string name = entry.path().stem().string();
        std::string body;
        if (name.find("table") != std::string::npos) {
            std::string fault;
            const auto table = note_store::readTable(data, fault);
            EXPECT_TRUE(table) << name << ": " << fault;
            note_store_proto::NoteText note;
            note.set_text("Table\n\xEF\xBF\xBC\n");
            note.add_run()->set_length(6);
            note.add_run()->set_length(1);
            note.mutable_run(1)->mutable_attachment()->set_identifier("t");
            body = text::toUtf8(note_store::renderNoteText(
                note,
                [&](const std::string&, const std::string&) {
                    return note_store::AttachmentView{note_store::AttachmentView::Kind::html,
                                                      table.value_or(""), ""};
                },
                nullptr));
        } else {
            const auto read = note_store::readNoteBody(data, nullptr);
            EXPECT_EQ(read.fault, std::nullopt) << name;
            body = text::toUtf8(read.html);
        }
        notes += std::string(notes.empty() ? "" : ",\n") + "{\"name\": " + jsonString(name) +
                 ", \"body\": " + jsonString(body) + "}";
    }
    return library(R"([{"id": "a", "name": "Blobs", "folders": [{"id": "f", "name": "Blobs",
        "notes": [)" +
                   notes + "]}]}]");
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
            ASSERT_EQ(result.exitStatus, 0) << result.err;
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
