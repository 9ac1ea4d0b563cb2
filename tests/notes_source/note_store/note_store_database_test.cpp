#include "notes_source/note_store/note_store_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "notes_source/notes_library_lookup.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

const fs::path kFixtures = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";

#define REQUIRE_NOTE_STORE_FIXTURES()                                \
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kFixtures / "SOURCES.txt"), \
                              "the Notes database fixtures at " << kFixtures.string())

// One note as the Notes scripting interface returned it.
struct DumpNote {
    std::map<std::string, std::string> field;  // "id", "name", "folder", "body", …
};

// Reads a Notes-*.txt dump: "note.<field>=<value>" lines, a value running on to the next field.
std::vector<DumpNote> readDump(const fs::path& path) {
    const std::string bytes = test::readFile(path);
    std::vector<DumpNote> notes;
    std::string* value = nullptr;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(begin, end - begin);
        const auto equals = line.find('=');
        if (line.rfind("note.", 0) == 0 && equals != std::string::npos) {
            const std::string key = line.substr(5, equals - 5);
            if (key == "id") notes.emplace_back();
            value = &notes.back().field[key];
            *value = line.substr(equals + 1);
        } else if (value) {
            *value += "\n" + line;
        }
        begin = end + 1;
    }
    // The dump puts an empty line between a body and the next field.
    for (auto& note : notes) {
        auto& body = note.field["body"];
        if (body.ends_with("\n")) body.pop_back();
        body += "\n";
    }
    return notes;
}

struct ReadNote {
    std::shared_ptr<NoteStoreNote> note;
    std::string folder;
    std::string account;
};

// Every note of every account's folders, by id.
std::map<std::string, ReadNote> readAll(const NotesApplication& notes) {
    std::map<std::string, ReadNote> all;
    for (auto account : notes.accounts()) {
        for (auto folder : account->folders()) {
            for (auto note : folder->notes()) {
                auto storeNote = std::dynamic_pointer_cast<NoteStoreNote>(note);
                all[storeNote->id()] = {storeNote, text::toUtf8(folder->name()),
                                        text::toUtf8(account->name())};
            }
        }
    }
    return all;
}

// "YYYY-MM-DD hh:mm:ss", the Mac's local time in the dump.
sys_seconds parseTime(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    return sys_days(year(y) / mo / d) + hours(h) + minutes(mi) + seconds(s);
}

// A deliberate difference from what the scripting interface answers: `dump` in the dump's body
// reads as `ours`.
struct Improvement {
    std::string id;
    std::string dump;
    std::string ours;
    const char* reason;
};

struct Fixture {
    const char* name;
    const char* database;
    const char* dump;
    // Notes of the database that the dump lacks, and why.
    std::set<std::string> notInDump;
    std::vector<Improvement> improvements;
    std::vector<std::string> attachments;  // the names of every note's attachments, in order
};

const char* const kAttachmentReason =
    "a file attachment stands as U+FFFC, named in the note's attachments, so the export names it";
const char* const kHashtagReason = "a hashtag stands as its text, not as an empty attachment";

// Every fixture's checklist, three open items.
Improvement checklistTicks(const char* id) {
    return {id, "<li>Item 1</li>\n<li>Item 2</li>\n<li>Item 3</li>",
            "<li>\u2610 Item 1</li>\n<li>\u2610 Item 2</li>\n<li>\u2610 Item 3</li>",
            "a checklist item shows its state, which the scripting interface drops"};
}

std::vector<Fixture> fixtures() {
    return {
        {"macOS12",
         "NoteStore-macOS-12-Monterey.sqlite",
         "Notes-macOS-12-Monterey.txt",
         {},
         {checklistTicks("x-coredata://FABDAB03-8EF2-41B9-9944-193D67BE0365/ICNote/p10")},
         {}},
        {"macOS14",
         "NoteStore-macOS-14-Sonoma.sqlite",
         "Notes-macOS-14-Sonoma.txt",
         {},
         {{"x-coredata://96FBBB9A-C1A9-4216-ACA4-1BE22EC8E9B4/ICNote/p18", "<div><br><br></div>",
           "<div>\uFFFC<br></div>", kAttachmentReason},
          checklistTicks("x-coredata://96FBBB9A-C1A9-4216-ACA4-1BE22EC8E9B4/ICNote/p14")},
         {"bitcoin.pdf"}},
        {"macOS15",
         "NoteStore-macOS-15-Seqoia.sqlite",
         "Notes-macOS-15-Seqoia.txt",
         // Moved to Recently Deleted after the dump was taken (created two days later).
         {"x-coredata://09FBEB4A-5B24-424E-814B-4AE8E757FB83/ICNote/p32"},
         {{"x-coredata://09FBEB4A-5B24-424E-814B-4AE8E757FB83/ICNote/p13", "<div><br><br></div>",
           "<div>\uFFFC<br></div>", kAttachmentReason},
          {"x-coredata://09FBEB4A-5B24-424E-814B-4AE8E757FB83/ICNote/p6",
           "<div><br><br></div>\n<div><br><br></div>", "<div>#travel</div>\n<div>#vacation</div>",
           kHashtagReason},
          checklistTicks("x-coredata://09FBEB4A-5B24-424E-814B-4AE8E757FB83/ICNote/p11")},
         {"bitcoin.pdf"}},
    };
}

// The locked note of each database opens with its password, the dump's body then its body.
TEST(NoteStoreDatabase, ReadsEveryDumpNoteAsNotesAnswersIt) {
    REQUIRE_NOTE_STORE_FIXTURES();
    for (const auto& fixture : fixtures()) {
        SCOPED_TRACE(fixture.name);
        std::vector<std::string> faults;
        std::vector<SecureBytes> passwords;
        passwords.push_back(secureBytesOf("tbull"));
        auto open = openNoteStore((kFixtures / fixture.database).string(),
                                  [&](const std::string& line) { faults.push_back(line); }, nullptr,
                                  std::make_shared<PasswordRing>(std::move(passwords)));
        EXPECT_TRUE(open.application) << *open.error;
        if (!open.application) continue;
        auto all = readAll(*open.application);
        const auto dump = readDump(kFixtures / fixture.dump);
        EXPECT_FALSE(dump.empty());

        std::optional<seconds> offset;
        std::vector<std::string> attachments;
        std::set<std::string> dumped;
        for (auto note : dump) {
            auto& f = note.field;
            SCOPED_TRACE(f["id"]);
            dumped.insert(f["id"]);
            auto found = all.find(f["id"]);
            EXPECT_NE(found, all.end());
            if (found == all.end()) continue;
            const auto& read = found->second;
            EXPECT_EQ(text::toUtf8(read.note->name()), f["name"]);
            EXPECT_EQ(read.folder, f["folder"]);
            EXPECT_EQ(read.account, f["account"]);
            const bool locked = f["password_protected"] == "True";
            EXPECT_EQ(read.note->passwordProtected(), locked);

            const auto created = read.note->creationDate();
            EXPECT_TRUE(created && read.note->modificationDate());
            if (!created || !read.note->modificationDate()) continue;
            const auto utc = [&](const char* field) { return parseTime(f[field]) - *offset; };
            if (!offset) {
                // The Mac's offset from UTC, from the first note, to the quarter hour.
                const auto difference = parseTime(f["creation_date"]) - floor<seconds>(*created);
                offset = round<minutes>(difference / 15) * 15;
            }
            EXPECT_EQ(utc("creation_date"), floor<seconds>(*created));
            EXPECT_EQ(utc("modification_date"), floor<seconds>(*read.note->modificationDate()));

            std::string expected = f["body"];
            for (const auto& improvement : fixture.improvements) {
                if (improvement.id != f["id"]) continue;
                SCOPED_TRACE(improvement.reason);
                const auto at = expected.find(improvement.dump);
                EXPECT_NE(at, std::string::npos);
                if (at == std::string::npos) continue;
                expected.replace(at, improvement.dump.size(), improvement.ours);
            }
            EXPECT_EQ(text::toUtf8(read.note->body()), expected);
            EXPECT_EQ(read.note->lockState(), locked ? LockState::opened : LockState::unlocked);
            for (auto attachment : read.note->attachments()) {
                attachments.push_back(text::toUtf8(attachment->name()));
            }
        }
        std::set<std::string> extra;
        for (const auto& [id, note] : all) {
            if (!dumped.count(id)) extra.insert(id);
        }
        EXPECT_EQ(extra, fixture.notInDump);
        EXPECT_EQ(attachments, fixture.attachments);
        EXPECT_EQ(faults, std::vector<std::string>{});
    }
}

// Without the right password the locked note reads empty, as Notes answers while it is locked,
// and one line names it and says why.
TEST(NoteStoreDatabase, SaysWhyALockedNoteStaysLocked) {
    REQUIRE_NOTE_STORE_FIXTURES();
    struct Row {
        const char* name;
        std::vector<std::string> passwords;
        const char* reason;
    };
    const Row rows[] = {
        {"none_given", {}, "locked; no password given"},
        {"wrong_ones", {"tbul", "TBULL"}, "the passwords given do not open it"},
    };
    for (const auto& fixture : fixtures()) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(fixture.name) + " " + row.name);
            std::vector<std::string> faults;
            std::vector<SecureBytes> passwords;
            for (const auto& password : row.passwords) passwords.push_back(secureBytesOf(password));
            auto open =
                openNoteStore((kFixtures / fixture.database).string(),
                              [&](const std::string& line) { faults.push_back(line); }, nullptr,
                              std::make_shared<PasswordRing>(std::move(passwords)));
            EXPECT_TRUE(open.application);
            if (!open.application) continue;
            std::vector<std::string> lines;
            for (const auto& [id, read] : readAll(*open.application)) {
                if (!read.note->passwordProtected()) continue;
                EXPECT_EQ(text::toUtf8(read.note->body()), "");
                EXPECT_TRUE(read.note->locked());
                lines.push_back("Note \"This note is password protected\" (" + id +
                                "): " + row.reason);
            }
            EXPECT_EQ(lines.size(), 1u);
            EXPECT_EQ(faults, lines);
        }
    }
}

// Runs `sql` on the database at `path` (a copy of a read-only fixture, or new); the connection
// stays open while `whileOpen` runs.
void runSql(const fs::path& path, const std::string& sql,
            const std::function<void()>& whileOpen = {}) {
    std::error_code absent;  // a new database has no file yet
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, absent);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    if (whileOpen) whileOpen();
    sqlite3_close(db);
}

// What is still in the -wal file beside the database is read, from a folder that must not be
// written to; a folder holding the database stands for it. The change in the -wal file makes a
// note's attachment a link card, which stands as its link, not as a file: a U+FFFC in it would
// pass for an attachment.
TEST(NoteStoreDatabase, IncludesTheWalFileAndWritesNothingBesideIt) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    const auto work = env.root() / "work";
    const auto copied = env.root() / "group.com.apple.notes";
    fs::create_directories(work);
    fs::create_directories(copied);
    fs::copy_file(kFixtures / "NoteStore-macOS-15-Seqoia.sqlite", work / "NoteStore.sqlite");
    runSql(work / "NoteStore.sqlite",
           "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; UPDATE ZICCLOUDSYNCINGOBJECT "
           "SET ZTYPEUTI = 'public.url', ZURLSTRING = 'https://example.com/?a=1&b=\"2\"\uFFFC' "
           "WHERE Z_PK = 14;",
           [&] {
               fs::copy_file(work / "NoteStore.sqlite", copied / "NoteStore.sqlite");
               fs::copy_file(work / "NoteStore.sqlite-wal", copied / "NoteStore.sqlite-wal");
           });
    fs::permissions(copied, fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = test::entryNames(copied);
    ASSERT_EQ(before, (std::set<std::string>{"NoteStore.sqlite", "NoteStore.sqlite-wal"}));
    const auto bytesBefore = test::readFile(copied / "NoteStore.sqlite");
    {
        NotesLibraryLookup lookup(copied.string());
        auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
        ASSERT_NE(notes, nullptr);
        EXPECT_EQ(lookup.lastError(), std::nullopt);
        int seen = 0;
        for (auto note : notes->notes()) {
            if (!std::dynamic_pointer_cast<NoteStoreNote>(note)->id().ends_with("/p13")) continue;
            ++seen;
            EXPECT_NE(text::toUtf8(note->body())
                          .find("<div><a href=\"https://example.com/?a=1&amp;b=&quot;2&quot;\">"
                                "https://example.com/?a=1&amp;b=\"2\"</a><br></div>"),
                      std::string::npos)
                << text::toUtf8(note->body());
            EXPECT_EQ(note->attachments().count(), 0u);
        }
        EXPECT_EQ(seen, 1);
        EXPECT_EQ(test::entryNames(copied), before);
    }
    EXPECT_EQ(test::entryNames(copied), before);
    EXPECT_EQ(test::readFile(copied / "NoteStore.sqlite"), bytesBefore);
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "the private copy is removed";
    fs::permissions(copied, fs::perms::owner_all);
}

// Notes with no accounts, and one line naming the file.
TEST(NoteStoreDatabase, RefusesFilesThatAreNoReadableNotesDatabase) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    const auto truncated = env.root() / "truncated.sqlite";
    test::writeFile(
        truncated, test::readFile(kFixtures / "NoteStore-macOS-14-Sonoma.sqlite").substr(0, 20000));
    const auto other = env.root() / "other.sqlite";
    runSql(other, "CREATE TABLE places (name TEXT); INSERT INTO places VALUES ('Oslo');");
    // A message is one line: control characters in its path are shown as '?'.
    const auto controlled = env.root() / "line\nbreak\x7F.sqlite";
    fs::copy_file(other, controlled);
    const auto noAccounts = env.root() / "no-accounts.sqlite";
    fs::copy_file(kFixtures / "NoteStore-macOS-12-Monterey.sqlite", noAccounts);
    runSql(noAccounts,
           "PRAGMA journal_mode=DELETE; DELETE FROM Z_PRIMARYKEY WHERE Z_NAME = 'ICAccount';");
    struct Row {
        const char* name;
        fs::path path;
        std::string error;
    };
    const std::vector<Row> rows = {
        {"truncated", truncated,
         truncated.string() + ": cannot read the database (database disk image is malformed)"},
        {"other_program", other,
         other.string() +
             ": an SQLite database, but not a Notes database (no ZICCLOUDSYNCINGOBJECT table)"},
        {"control_characters_in_the_path", controlled,
         (env.root() / "line?break?.sqlite").string() +
             ": an SQLite database, but not a Notes database (no ZICCLOUDSYNCINGOBJECT table)"},
        {"unknown_layout", noAccounts,
         noAccounts.string() + ": a Notes database of a layout this importer cannot read (no "
                               "ICNote, ICFolder or ICAccount entity)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        NotesLibraryLookup lookup(row.path.string());
        auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
        EXPECT_NE(notes, nullptr);
        if (notes) {
            EXPECT_EQ(notes->accounts().count(), 0u);
        }
        EXPECT_EQ(lookup.lastError(), row.error);
    }
}

// Column suffixes move between macOS versions; they are found from the schema and the rows. A
// damaged note is reported in one line and the others are read.
TEST(NoteStoreDatabase, FindsColumnsWhateverTheirSuffixAndReadsAroundADamagedNote) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    const auto path = env.root() / "NoteStore.sqlite";
    fs::copy_file(kFixtures / "NoteStore-macOS-12-Monterey.sqlite", path);
    // p5's data becomes plain bytes, p13's is cut short.
    runSql(
        path,
        "PRAGMA journal_mode=DELETE; "
        "ALTER TABLE ZICCLOUDSYNCINGOBJECT RENAME COLUMN ZTITLE1 TO ZTITLE9; "
        "ALTER TABLE ZICCLOUDSYNCINGOBJECT RENAME COLUMN ZMODIFICATIONDATE1 TO ZMODIFICATIONDATE4; "
        "ALTER TABLE ZICCLOUDSYNCINGOBJECT RENAME COLUMN ZFOLDER TO ZFOLDER2; "
        "UPDATE ZICNOTEDATA SET ZDATA = X'0A0B0C' WHERE ZNOTE = 5; "
        "UPDATE ZICNOTEDATA SET ZDATA = substr(ZDATA, 1, 40) WHERE ZNOTE = 13;");
    std::vector<std::string> faults;
    auto open =
        openNoteStore(path.string(), [&](const std::string& line) { faults.push_back(line); });
    ASSERT_TRUE(open.application) << *open.error;
    // The notes are read as a walk reads them ahead: all first, each holding its lines, then
    // each logs them in its turn. The locked note does not hold: it is read in its turn.
    std::vector<std::pair<std::shared_ptr<NotesNote>, bool>> notes;  // and whether it held
    std::vector<std::string> names, empty;
    for (auto note : open.application->notes()) {
        const bool held = note->holdLinesWhileRead();
        notes.emplace_back(note, held);
        names.push_back(text::toUtf8(note->name()));
        EXPECT_EQ(held, names.back() != "This note is password protected");
        if (!held) continue;
        EXPECT_TRUE(note->modificationDate());
        if (note->body().empty()) empty.push_back(names.back());
    }
    EXPECT_TRUE(faults.empty());
    for (const auto& [note, held] : notes) {
        if (!held) {
            note->holdLinesWhileRead();
            if (note->body().empty()) empty.push_back(text::toUtf8(note->name()));
        }
        note->logHeldLines();
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"This note is deleted", "This note is deeply buried",
                                        "This note is in a subfolder", "This note is in a folder",
                                        "This note has special formatting",
                                        "This note is password protected", "This is a note"}));
    EXPECT_EQ(empty, (std::vector<std::string>{"This note is in a folder", "This is a note",
                                               "This note is password protected"}));
    const std::string store = "x-coredata://FABDAB03-8EF2-41B9-9944-193D67BE0365/ICNote/";
    EXPECT_EQ(faults, (std::vector<std::string>{
                          "Note \"This note is in a folder\" (" + store +
                              "p13) cannot be read: the gzip data is damaged or cut short",
                          "Note \"This note is password protected\" (" + store +
                              "p9): locked; no password given",
                          "Note \"This is a note\" (" + store +
                              "p5) cannot be read: the note data is neither gzip, zlib nor a "
                              "note's protocol buffer",
                      }));
}

// No note is lost to the folder tree: one with no folder, a missing one, a folder that is its own
// parent or in a cycle of parents is listed under its account in "Unfiled notes", which stands
// before "Recently Deleted", still last; smart folders are no folders of the export.
TEST(NoteStoreDatabase, NotesNoFolderShowsAreListedUnfiledUnderTheirAccount) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    const auto path = env.root() / "NoteStore.sqlite";
    fs::copy_file(kFixtures / "NoteStore-macOS-12-Monterey.sqlite", path);
    runSql(path,
           "PRAGMA journal_mode=DELETE; "
           "UPDATE ZICCLOUDSYNCINGOBJECT SET ZFOLDER = NULL WHERE Z_PK = 5; "
           "UPDATE ZICCLOUDSYNCINGOBJECT SET ZFOLDER = 999 WHERE Z_PK = 10; "
           "UPDATE ZICCLOUDSYNCINGOBJECT SET ZPARENT = 12 WHERE Z_PK = 12; "
           "UPDATE ZICCLOUDSYNCINGOBJECT SET ZPARENT = 17 WHERE Z_PK = 14; "
           "INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, Z_ENT, Z_OPT, ZTITLE2, ZOWNER, ZFOLDERTYPE) "
           "VALUES (50, 14, 1, 'Smart', 3, 3);");
    std::vector<std::string> faults;
    auto open =
        openNoteStore(path.string(), [&](const std::string& line) { faults.push_back(line); });
    ASSERT_TRUE(open.application) << *open.error;
    auto account = open.application->accounts().firstObject();
    std::vector<std::string> folders;
    std::map<std::string, std::vector<std::string>> notesOf;
    for (auto folder : account->folders()) {
        folders.push_back(text::toUtf8(folder->name()));
        EXPECT_EQ(folder->container().get()->id(), account->id());
        for (auto note : folder->notes())
            notesOf[folders.back()].push_back(text::toUtf8(note->name()));
    }
    EXPECT_EQ(folders, (std::vector<std::string>{"Notes", "Unfiled notes", "Recently Deleted"}));
    EXPECT_EQ(notesOf["Unfiled notes"],
              (std::vector<std::string>{"This note is deeply buried", "This note is in a subfolder",
                                        "This note is in a folder",
                                        "This note has special formatting", "This is a note"}));
    EXPECT_EQ(open.application->notes().count(), 7u);
    EXPECT_EQ(faults, std::vector<std::string>{});
}

// The name of a file attachment is its file's, before any title the user gave it.
TEST(NoteStoreDatabase, NamesAFileAttachmentByItsFileBeforeItsTitles) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    struct Row {
        const char* name;
        const char* sql;
        std::string attachment;
    };
    const std::vector<Row> rows = {
        {"file_name_first", "UPDATE ZICCLOUDSYNCINGOBJECT SET ZUSERTITLE = 'mine' WHERE Z_PK = 19;",
         "bitcoin.pdf"},
        {"user_title_without_file_name",
         "UPDATE ZICCLOUDSYNCINGOBJECT SET ZUSERTITLE = 'mine' WHERE Z_PK = 19; "
         "UPDATE ZICCLOUDSYNCINGOBJECT SET ZFILENAME = NULL WHERE Z_ENT = 10;",
         "mine"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto path = env.root() / (std::string(row.name) + ".sqlite");
        fs::copy_file(kFixtures / "NoteStore-macOS-14-Sonoma.sqlite", path);
        runSql(path, std::string("PRAGMA journal_mode=DELETE; ") + row.sql);
        auto open = openNoteStore(path.string(), nullptr);
        ASSERT_TRUE(open.application) << *open.error;
        std::vector<std::string> names;
        for (auto note : open.application->notes()) {
            for (auto attachment : note->attachments()) {
                names.push_back(text::toUtf8(attachment->name()));
            }
        }
        EXPECT_EQ(names, std::vector<std::string>{row.attachment});
    }
}

// A -wal file of another database spoils the whole database: it is left out and named.
TEST(NoteStoreDatabase, ReadsWithoutAWalFileThatSpoilsTheDatabaseAndNamesIt) {
    REQUIRE_NOTE_STORE_FIXTURES();
    test::PrivateEnvironment env;
    const auto other = env.root() / "other";
    const auto folder = env.root() / "notes";
    fs::create_directories(other);
    fs::create_directories(folder);
    fs::copy_file(kFixtures / "NoteStore-macOS-15-Seqoia.sqlite", other / "NoteStore.sqlite");
    runSql(other / "NoteStore.sqlite",
           "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; "
           "CREATE TABLE filler (x BLOB); INSERT INTO filler VALUES (zeroblob(200000)); "
           "DROP TABLE ZICNOTEDATA; VACUUM;",
           [&] { fs::copy_file(other / "NoteStore.sqlite-wal", folder / "NoteStore.sqlite-wal"); });
    fs::copy_file(kFixtures / "NoteStore-macOS-12-Monterey.sqlite", folder / "NoteStore.sqlite");
    std::vector<std::string> faults;
    NotesLibraryLookup lookup(folder.string(),
                              [&](const std::string& line) { faults.push_back(line); });
    auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(lookup.lastError(), std::nullopt);
    EXPECT_EQ(notes->notes().count(), 7u);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_TRUE(faults[0].starts_with((folder / "NoteStore.sqlite-wal").string() +
                                      ": ignored, as the database cannot be read with it ("))
        << faults[0];
    EXPECT_TRUE(fs::is_empty(env.tmp())) << "the private copy is removed";
}

// A NoteStore.sqlite that is there but no file is named for what it is.
TEST(NoteStoreDatabase, NamesTheFaultOfANoteStoreThatIsNoFile) {
    test::PrivateEnvironment env;
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::string fault;
    };
    const std::vector<Row> rows = {
        {"symbolic_link_loop", [](const fs::path& store) { fs::create_symlink(store, store); },
         "a symbolic link loop"},
        {"dangling_link",
         [](const fs::path& store) { fs::create_symlink(store.parent_path() / "gone", store); },
         "a dangling symbolic link"},
        {"folder", [](const fs::path& store) { fs::create_directory(store); },
         "a folder, not a database"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto folder = env.root() / row.name;
        fs::create_directories(folder);
        row.make(folder / "NoteStore.sqlite");
        NotesLibraryLookup lookup(folder.string());
        auto notes = lookup.applicationWithBundleIdentifier("com.apple.notes");
        ASSERT_NE(notes, nullptr);
        EXPECT_EQ(notes->accounts().count(), 0u);
        EXPECT_EQ(lookup.lastError(), (folder / "NoteStore.sqlite").string() + ": " + row.fault);
    }
}

}  // namespace
}  // namespace quillmere
