#pragma once
// The Notes fixtures the command's export tests run on: Apple's Notes databases, and a Notes
// library made of the stored note blobs, each body decoded as the database's reader decodes it.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_store.pb.h"
#include "notes_source/note_store/note_table.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {

inline const std::filesystem::path kFixtures =
    std::filesystem::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";

inline std::string jsonString(const std::string& utf8) {
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
inline std::string blobLibrary() {
    std::string notes;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures / "blobs")) {
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

}  // namespace quillmere::test
