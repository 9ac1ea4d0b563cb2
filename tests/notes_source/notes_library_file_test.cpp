#include "notes_source/notes_library_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "notes_source/notes_library_lookup.h"
#include "notes_source/rfc3339_date.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

using namespace std::chrono;
namespace fs = std::filesystem;

const std::string kHead = R"({"format": "notes-library", "version": 1, "accounts": )";

class NotesLibraryFile : public ::testing::Test {
protected:
    // Writes `json` to a file of the private directory and loads it.
    LibraryLoad load(const std::string& json, const std::string& name = "library.json") {
        path_ = (env_.root() / name).string();
        test::writeFile(path_, json);
        return loadNotesLibrary(path_);
    }
    std::shared_ptr<NotesApplication> loaded(const std::string& json) {
        auto result = load(json);
        EXPECT_EQ(result.error, std::nullopt);
        return result.application;
    }
    // A library whose accounts are `accountsJson`.
    std::shared_ptr<NotesApplication> accounts(const std::string& accountsJson) {
        return loaded(kHead + accountsJson + "}");
    }

    test::PrivateEnvironment env_;
    std::string path_;
};

// The library as the run reads it: each account, then every folder of its `folders` list with
// its container and direct sub-folders, then the folder's notes and their attachments.
std::string outline(const NotesApplication& notes) {
    auto id = [](const std::optional<Text>& id) {
        return id ? "'" + text::toUtf8(*id) + "'" : std::string("-");
    };
    auto name = [](const auto& object) { return '"' + text::toUtf8(object->name()) + '"'; };
    std::string out;
    for (auto account : notes.accounts()) {
        out += "account " + id(account->id()) + " " + name(account) + "\n";
        for (auto folder : account->folders()) {
            auto container = folder->container().get();
            out += "  folder " + id(folder->id()) + " " + name(folder) + " in " +
                   id(container->id()) + " " + name(container) + " [";
            for (auto child : folder->folders()) out += " " + name(child);
            out += " ]\n";
            for (auto note : folder->notes()) {
                out += "    note " + name(note) + " " + text::toUtf8(note->body()) + " [";
                for (auto attachment : note->attachments()) out += " " + name(attachment);
                out += " ]\n";
            }
        }
    }
    return out;
}

// Every member present, absent and empty; unknown members at every level and a byte order mark
// are passed over.
TEST_F(NotesLibraryFile, ReadsEveryMemberAndWhatItsAbsenceMeans) {
    auto notes = loaded(
        "\xEF\xBB\xBF"
        R"({
      "format": "notes-library", "version": 1.0, "generator": {"list": [1, [2], 1e400, -2E+0309]},
      "accounts": [
        {"id": "acc-1", "name": "iCloud", "colour": "blue", "folders": [{
          "id": "f-1", "name": "Récipes", "extra": [{"notes": "not these"}], "notes": [{
            "name": "Pancakes 😀", "body": "<div>\ufffc</div>", "pinned": null,
            "creationDate": "2024-03-01T08:15:00Z",
            "modificationDate": "2024-03-02T19:40:12.250001+01:00",
            "attachments": [{"name": "pancakes.jpg", "size": 3}, {}], "locked": false}]}]},
        {"id": "", "folders": [{"id": "", "notes": [
          {}, {"name": "Secret", "body": "<div>hidden</div>", "locked": true}]}]},
        {"folders": [{}]}],
      "trailer": "accounts"})");
    // An empty id is not a missing one; a locked note reads an empty body.
    EXPECT_EQ(outline(*notes),
              "account 'acc-1' \"iCloud\"\n"
              "  folder 'f-1' \"Récipes\" in 'acc-1' \"iCloud\" [ ]\n"
              "    note \"Pancakes 😀\" <div>\ufffc</div> [ \"pancakes.jpg\" \"\" ]\n"
              "account '' \"\"\n"
              "  folder '' \"\" in '' \"\" [ ]\n"
              "    note \"\"  [ ]\n"
              "    note \"Secret\"  [ ]\n"
              "account - \"\"\n"
              "  folder - \"\" in - \"\" [ ]\n");
    auto dated = notes->notes().firstObject();
    EXPECT_EQ(dated->creationDate(), Date(sys_days(2024y / March / 1) + 8h + 15min));
    EXPECT_EQ(dated->modificationDate(),
              Date(sys_days(2024y / March / 2) + 18h + 40min + 12s + 250001us));
    EXPECT_EQ(notes->notes().objectAtIndex(1)->creationDate(), std::nullopt);
    EXPECT_EQ(notes->notes().objectAtIndex(1)->modificationDate(), std::nullopt);

    // A library without accounts is read, and the one line says why the run will find none.
    const auto empty = load(R"({"format": "notes-library", "version": 1})");
    EXPECT_EQ(empty.application->accounts().count(), 0u);
    EXPECT_EQ(empty.error, path_ + ": the library holds no accounts");
}

TEST_F(NotesLibraryFile, AccountFoldersArePreOrderAndApplicationNotesAreEveryNote) {
    auto notes = accounts(R"([
      {"id": "a1", "folders": [
        {"id": "A", "name": "A", "notes": [{"name": "1"}], "folders": [
          {"id": "A1", "name": "A1", "folders": [{"id": "A1x", "name": "A1x", "notes": [{"name": "2"}]}]},
          {"id": "A2", "name": "A2"}]},
        {"id": "B", "name": "B", "notes": [{"name": "3"}]}]},
      {"id": "a2"},
      {"id": "a3", "folders": [{"id": "C", "name": "C", "notes": [{"name": "4"}]}]}])");
    EXPECT_EQ(outline(*notes),
              "account 'a1' \"\"\n"
              "  folder 'A' \"A\" in 'a1' \"\" [ \"A1\" \"A2\" ]\n"
              "    note \"1\"  [ ]\n"
              "  folder 'A1' \"A1\" in 'A' \"A\" [ \"A1x\" ]\n"
              "  folder 'A1x' \"A1x\" in 'A1' \"A1\" [ ]\n"
              "    note \"2\"  [ ]\n"
              "  folder 'A2' \"A2\" in 'A' \"A\" [ ]\n"
              "  folder 'B' \"B\" in 'a1' \"\" [ ]\n"
              "    note \"3\"  [ ]\n"
              "account 'a2' \"\"\n"
              "account 'a3' \"\"\n"
              "  folder 'C' \"C\" in 'a3' \"\" [ ]\n"
              "    note \"4\"  [ ]\n");
    std::vector<Text> titles;
    notes->notes().enumerate([&](const std::shared_ptr<NotesNote>& note, std::uint64_t index) {
        EXPECT_EQ(index, titles.size());
        titles.push_back(note->name());
    });
    EXPECT_EQ(titles, (std::vector<Text>{u"1", u"2", u"3", u"4"}));
}

// A folder can name its container: another folder, the account, one without an id, or one the
// file does not hold.
TEST_F(NotesLibraryFile, NamedContainersResolveWithinTheAccount) {
    auto notes = accounts(R"([{"id": "acc", "name": "A", "folders": [
      {"id": "p", "container": "q"},
      {"id": "q", "name": "q", "folders": [{"container": "acc"}]},
      {"container": null}, {"container": "elsewhere"}, {"container": ""}]}])");
    EXPECT_EQ(outline(*notes),
              "account 'acc' \"A\"\n"
              "  folder 'p' \"\" in 'q' \"q\" [ ]\n"
              "  folder 'q' \"q\" in 'acc' \"A\" [ \"\" ]\n"
              "  folder - \"\" in 'acc' \"A\" [ ]\n"
              "  folder - \"\" in - \"\" [ ]\n"
              "  folder - \"\" in 'elsewhere' \"\" [ ]\n"
              "  folder - \"\" in '' \"\" [ ]\n");
}

// A lone surrogate reads as the U+FFFD it would be on disk: one code unit either way.
TEST_F(NotesLibraryFile, ReadsLoneSurrogateEscapesAsTheReplacementCharacter) {
    const Text high(1, char16_t(0xFFFD));
    struct Row {
        const char* name;
        std::string json;
        Text expected;
    };
    const Row rows[] = {
        {"lone high", R"(a\ud800b)", u"a\uFFFDb"},
        {"lone low", R"(\uDC00)", high},
        {"high before a letter escape", R"(\ud83d\u0041)", high + u"A"},
        {"two highs", R"(\ud83d\ud83d\ude00)", high + u"😀"},
        {"escaped pair", R"(\ud83d\ude00)", u"😀"},
        {"escaped quote before", R"(\"\ud800)", u"\"\uFFFD"},
        {"escaped backslash before u", R"(\\ud800)", u"\\ud800"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto notes = accounts(R"([{"folders": [{"notes": [{"name": ")" + row.json + R"("}]}]}])");
        EXPECT_EQ(notes->notes().firstObject()->name(), row.expected);
    }
    // A folder finds its container by such an id.
    auto folders =
        accounts(R"([{"folders": [{"id": "\ud800", "name": "lone"}, {"container": "\ud800"}]}])")
            ->accounts()
            .firstObject()
            ->folders();
    EXPECT_EQ(folders.objectAtIndex(1)->container().get(), folders.firstObject());
}

// Every kind of fault, with the place and the fault as the message gives them after the path.
TEST_F(NotesLibraryFile, ReportsEachFaultWithItsPlace) {
    const std::string notesAt = kHead + R"([{"folders": [{"notes": [)";
    struct Row {
        const char* name;
        std::string content;
        std::string message;
    };
    const Row rows[] = {
        {"empty file", "", "the file is empty"},
        {"only white space", "  \n ", "line 2, column 2: not valid JSON: the document is empty"},
        {"not UTF-8", "{\"format\":\n \"caf\xE9\"}", "line 2, column 6: not UTF-8 text"},
        {"encoded surrogate", "{\"\xED\xA0\x80\"}", "line 1, column 3: not UTF-8 text"},
        {"NUL byte", std::string("{} \0 {}", 6),
         "line 1, column 4: not valid JSON (a NUL character)"},
        {"trailing comma", "{\"format\": \"notes-library\",\n\n   }",
         "line 3, column 4: not valid JSON: missing a name for object member"},
        {"column counts characters", "{\"é😀\": x}",
         "line 1, column 8: not valid JSON: invalid value"},
        {"column after a lone surrogate", "{\"\\ud800\": x}",
         "line 1, column 12: not valid JSON: invalid value"},
        {"short escape at the end", R"(["\ud8)",
         "line 1, column 3: not valid JSON: incorrect hex digit after \\u escape in string"},
        {"escape not hex", R"(["\ud8zz"])",
         "line 1, column 3: not valid JSON: incorrect hex digit after \\u escape in string"},
        {"raw tab in a string", "{\"a\tb\": 1}",
         "line 1, column 4: not valid JSON: control character U+0009 in string"},
        {"column after a byte order mark", "\xEF\xBB\xBF" + kHead + "}",
         "line 1, column 55: not valid JSON: invalid value"},
        {"top level empty string", R"("")",
         "top level: not a Notes library (a string, not an object)"},
        {"no format", R"({"version": 1})", "top level: not a Notes library (no \"format\" member)"},
        {"other format", R"({"format": "photos", "version": 1})",
         "format: not a Notes library (\"photos\" instead of \"notes-library\")"},
        {"format of another type", R"({"format": 1, "version": 1})",
         "format: not a Notes library (a number instead of \"notes-library\")"},
        {"other format reported before a member fault", R"({"accounts": 3, "format": "notes\n"})",
         "format: not a Notes library (\"notes\\u000A\" instead of \"notes-library\")"},
        {"no version", R"({"format": "notes-library"})", "top level: no \"version\" member"},
        {"version 1.5", R"({"format": "notes-library", "version": 1.5})",
         "version: unknown version 1.5 (this importer reads version 1)"},
        {"version too large for a double", R"({"format": "notes-library", "version": 1e400})",
         "version: unknown version 1e400 (this importer reads version 1)"},
        {"version as text", R"({"format": "notes-library", "version": "1"})",
         "version: expected a number, found a string"},
        {"version reported before a member fault",
         R"({"format": "notes-library", "accounts": 3, "version": 2})",
         "version: unknown version 2 (this importer reads version 1)"},
        {"accounts not an array", kHead + "{}}", "accounts: expected an array, found an object"},
        {"account not an object", kHead + "[{}, \"iCloud\"]}",
         "accounts[1]: expected an object, found a string"},
        {"folder container", kHead + R"([{"folders": [{"container": false}]}]})",
         "accounts[0].folders[0].container: expected a string or null, found a boolean"},
        {"nested folders", kHead + R"([{"folders": [{}, {"folders": [{"name": []}]}]}]})",
         "accounts[0].folders[1].folders[0].name: expected a string, found an array"},
        {"note body",
         kHead + R"([{"folders": [{}, {}, {"notes": [{}, {}, {}, {}, {}, {"body": 1}]}]}]})",
         "accounts[0].folders[2].notes[5].body: expected a string, found a number"},
        {"locked as text", notesAt + R"({"locked": "yes"}]}]}]})",
         "accounts[0].folders[0].notes[0].locked: expected true or false, found a string"},
        {"attachment name", notesAt + R"({"attachments": [{}, {"name": null}]}]}]}]})",
         "accounts[0].folders[0].notes[0].attachments[1].name: expected a string, found null"},
        {"date without zone", notesAt + R"({"creationDate": "2024-03-01T08:15:00"}]}]}]})",
         "accounts[0].folders[0].notes[0].creationDate: \"2024-03-01T08:15:00\" is not an RFC "
         "3339 date-time with a time zone"},
        {"member twice", kHead + R"([{"name": "a", "name": "b"}]})",
         "accounts[0].name: the member appears twice"},
        {"first member fault wins", kHead + R"([{"name": 1}, {"name": 2}]})",
         "accounts[0].name: expected a string, found a number"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = load(row.content);
        EXPECT_TRUE(result.found);
        EXPECT_EQ(result.application, nullptr);
        EXPECT_EQ(result.error, path_ + ": " + row.message);
    }
}

// Only a regular file of bounded size is read, so that nothing hangs or fills the memory; a file
// that is there but cannot be read counts as found. A message stays on one line whatever the
// file's name.
TEST_F(NotesLibraryFile, NamesAFileThatCannotBeReadInOneLine) {
    const fs::path root = env_.root();
    ASSERT_EQ(::mkfifo((root / "fifo.json").c_str(), 0600), 0);
    fs::create_symlink(root / "loop.json", root / "loop.json");
    {
        std::ofstream huge(root / "huge.json");  // sparse: takes no space
    }
    fs::resize_file(root / "huge.json", (4ull << 30) + 1);
    const struct {
        const char* name;
        fs::path path;
        bool found;
        std::string reason;
    } rows[] = {
        {"missing", root / "nowhere.json", false, "No such file or directory"},
        {"folder", root, true, "Is a directory"},
        {"fifo", root / "fifo.json", true, "not a regular file"},
        {"over 4 GiB", root / "huge.json", true, "larger than 4 GiB"},
        {"unreachable", root / "loop.json", true, "Too many levels of symbolic links"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const LibraryLoad result = loadNotesLibrary(row.path.string());
        EXPECT_EQ(result.found, row.found);
        EXPECT_EQ(result.application, nullptr);
        EXPECT_EQ(result.error, row.path.string() + ": cannot be read (" + row.reason + ")");
    }
    auto result = load("[]", "odd\nname.json");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->find('\n'), std::string::npos);
    EXPECT_EQ(result.error->rfind((env_.root() / "odd?name.json").string(), 0), 0u);
}

TEST_F(NotesLibraryFile, ObjectsOutliveTheirLists) {
    std::shared_ptr<NotesNote> note;
    std::shared_ptr<NotesFolder> folder;
    {
        auto notes = accounts(R"([{"id": "a", "folders": [{"notes": [{"name": "kept"}]}]}])");
        folder = notes->accounts().firstObject()->folders().firstObject();
        note = folder->notes().firstObject();
    }
    EXPECT_EQ(note->name(), u"kept");
    EXPECT_EQ(folder->container().get()->id(), std::optional<Text>(u"a"));
}

TEST_F(NotesLibraryFile, ReadsDeepNestingWithoutExhaustingTheStack) {
    constexpr int kDepth = 100000;
    std::string folders;
    for (int i = 0; i < kDepth; ++i) folders += R"({"name": "f", "folders": [)";
    for (int i = 0; i < kDepth; ++i) folders += "]}";
    const std::string unknown = std::string(kDepth, '[') + std::string(kDepth, ']');
    auto notes = loaded(R"({"format": "notes-library", "version": 1, "extra": )" + unknown +
                        R"(, "accounts": [{"folders": [)" + folders + "]}]}");
    auto account = notes->accounts().firstObject();
    EXPECT_EQ(account->folders().count(), static_cast<std::uint64_t>(kDepth));
    EXPECT_EQ(account->folders().objectAtIndex(kDepth - 2)->folders().firstObject(),
              account->folders().objectAtIndex(kDepth - 1));
}

TEST(Rfc3339Date, ReadsZonesAndFractions) {
    const Date base = sys_days(2024y / March / 2) + 18h + 40min + 12s;
    struct Row {
        const char* name;
        const char* text;
        Date expected;
    };
    const Row rows[] = {
        {"lower case", "2024-03-02t18:40:12z", base},
        {"west of utc, across midnight", "2024-03-01T23:10:12-19:30", base},
        {"microseconds", "2024-03-02T18:40:12.000001Z", base + 1us},
        {"beyond microseconds is cut", "2024-03-02T18:40:12.1234569Z", base + 123456us},
        {"leap second", "2016-12-31T23:59:60Z", Date(sys_days(2017y / January / 1))},
        {"leap day", "2024-02-29T00:00:00Z", Date(sys_days(2024y / February / 29))},
        {"before 1970", "1969-12-31T23:59:59.5Z", Date(sys_days(1970y / January / 1)) - 500ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseRfc3339(row.text), row.expected);
    }
}

TEST(Rfc3339Date, RejectsWhatIsNotADateTimeWithAZone) {
    for (const char* text :
         {"", "2024-03-02", "2024-03-02T18:40:12", "2024-03-02 18:40:12Z", "2024-03-02T18:40Z",
          "2024-3-02T18:40:12Z", "2024-13-02T18:40:12Z", "2023-02-29T18:40:12Z",
          "2024-04-31T18:40:12Z", "2024-03-02T24:00:00Z", "2024-03-02T18:60:00Z",
          "2024-03-02T18:40:61Z", "2024-03-02T18:40:12.Z", "2024-03-02T18:40:12+0100",
          "2024-03-02T18:40:12+24:00", "2024-03-02T18:40:12Z ", "+2024-03-02T18:40:12Z"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseRfc3339(text), std::nullopt);
    }
}

// No library or a missing one (no application) and a broken one (no accounts) are the
// command's rows; each front end makes a lookup for each run. The bundled sample reads cleanly.
TEST(NotesLibraryLookup, AnswersOnlyForNotesAndReadsTheSample) {
    NotesLibraryLookup sample(QUILLMERE_SOURCE_DIR "/samples/notes-library.json");
    EXPECT_EQ(sample.applicationWithBundleIdentifier("com.apple.mail"), nullptr);
    EXPECT_GE(sample.applicationWithBundleIdentifier("com.apple.notes")->accounts().count(), 1u);
    EXPECT_EQ(sample.lastError(), std::nullopt);
}

}  // namespace
}  // namespace quillmere
