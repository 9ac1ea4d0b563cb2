#include "notes_source/notes_library_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

using namespace std::chrono;

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
        EXPECT_NE(result.application, nullptr);
        return result.application;
    }
    // A library of one account whose members are `accountMembers` (JSON object members).
    std::shared_ptr<NotesApplication> account(const std::string& accountMembers) {
        return loaded(R"({"format": "notes-library", "version": 1, "accounts": [{)" +
                      accountMembers + "}]}");
    }

    test::PrivateEnvironment env_;
    std::string path_;
};

std::vector<Text> namesOf(const ElementList<NotesFolder>& folders) {
    std::vector<Text> names;
    for (auto folder : folders) names.push_back(folder->name());
    return names;
}

TEST_F(NotesLibraryFile, ReadsEveryMember) {
    auto notes = loaded(R"({
      "format": "notes-library", "version": 1,
      "accounts": [{
        "id": "acc-1", "name": "iCloud",
        "folders": [{
          "id": "f-1", "name": "Recipes",
          "notes": [{
            "name": "Pancakes",
            "body": "<div><h1>Pancakes</h1></div>\n<div>\ufffc</div>",
            "creationDate": "2024-03-01T08:15:00Z",
            "modificationDate": "2024-03-02T19:40:12.250001+01:00",
            "attachments": [{"name": "pancakes.jpg"}, {}],
            "locked": false
          }]
        }]
      }]
    })");
    ASSERT_EQ(notes->accounts().count(), 1u);
    auto account = notes->accounts().firstObject();
    EXPECT_EQ(account->id(), std::optional<Text>(u"acc-1"));
    EXPECT_EQ(account->name(), u"iCloud");
    auto folder = account->folders().firstObject();
    EXPECT_EQ(folder->id(), std::optional<Text>(u"f-1"));
    EXPECT_EQ(folder->name(), u"Recipes");
    EXPECT_EQ(folder->container().get()->id(), std::optional<Text>(u"acc-1"));
    ASSERT_EQ(folder->notes().count(), 1u);
    auto note = folder->notes().firstObject();
    EXPECT_EQ(note->name(), u"Pancakes");
    EXPECT_EQ(note->body(), u"<div><h1>Pancakes</h1></div>\n<div>\ufffc</div>");
    EXPECT_EQ(note->creationDate(), Date(sys_days(2024y / March / 1) + 8h + 15min));
    EXPECT_EQ(note->modificationDate(),
              Date(sys_days(2024y / March / 2) + 18h + 40min + 12s + 250001us));
    ASSERT_EQ(note->attachments().count(), 2u);
    EXPECT_EQ(note->attachments().firstObject()->name(), u"pancakes.jpg");
    EXPECT_EQ(note->attachments().objectAtIndex(1)->name(), u"");
    EXPECT_EQ(notes->notes().count(), 1u);
}

TEST_F(NotesLibraryFile, AbsentMembersReadAsTheirDefaults) {
    auto notes = account(R"("folders": [{"notes": [{}]}])");
    auto account = notes->accounts().firstObject();
    EXPECT_EQ(account->id(), std::nullopt);
    EXPECT_EQ(account->name(), u"");
    auto folder = account->folders().firstObject();
    EXPECT_EQ(folder->id(), std::nullopt);
    EXPECT_EQ(folder->name(), u"");
    EXPECT_EQ(folder->folders().count(), 0u);
    auto note = folder->notes().firstObject();
    EXPECT_EQ(note->name(), u"");
    EXPECT_EQ(note->body(), u"");
    EXPECT_EQ(note->creationDate(), std::nullopt);
    EXPECT_EQ(note->modificationDate(), std::nullopt);
    EXPECT_EQ(note->attachments().count(), 0u);

    auto bare = loaded(R"({"format": "notes-library", "version": 1})");
    EXPECT_EQ(bare->accounts().count(), 0u);
    EXPECT_EQ(bare->notes().count(), 0u);
}

TEST_F(NotesLibraryFile, AnEmptyIdIsNotAMissingOne) {
    auto account = this->account(R"("id": "", "folders": [{"id": ""}])")->accounts().firstObject();
    EXPECT_EQ(account->id(), std::optional<Text>(u""));
    EXPECT_EQ(account->folders().firstObject()->id(), std::optional<Text>(u""));
}

TEST_F(NotesLibraryFile, IgnoresUnknownMembersAtEveryLevel) {
    auto notes = loaded(R"({
      "format": "notes-library", "version": 1.0, "generator": {"name": "x", "list": [1, [2]]},
      "accounts": [{
        "colour": "blue", "folders": [{
          "shared": true, "name": "A", "extra": [{"notes": "not these"}],
          "notes": [{"pinned": null, "name": "N", "attachments": [{"size": 3, "name": "a"}]}]
        }]
      }],
      "trailer": "accounts"
    })");
    auto folder = notes->accounts().firstObject()->folders().firstObject();
    EXPECT_EQ(folder->name(), u"A");
    EXPECT_EQ(folder->notes().firstObject()->attachments().firstObject()->name(), u"a");
    EXPECT_EQ(notes->notes().count(), 1u);
}

TEST_F(NotesLibraryFile, LockedNoteReadsAnEmptyBody) {
    auto note = account(R"("folders": [{"notes": [
        {"name": "Secret", "body": "<div>hidden</div>", "locked": true}]}])")
                    ->notes()
                    .firstObject();
    EXPECT_EQ(note->name(), u"Secret");
    EXPECT_EQ(note->body(), u"");
}

TEST_F(NotesLibraryFile, AccountFoldersArePreOrderAndFolderFoldersTheDirectChildren) {
    auto notes = loaded(R"({"format": "notes-library", "version": 1, "accounts": [
      {"id": "a1", "folders": [
        {"id": "A", "name": "A", "folders": [
          {"id": "A1", "name": "A1", "folders": [{"id": "A1x", "name": "A1x"}]},
          {"id": "A2", "name": "A2"}]},
        {"id": "B", "name": "B", "folders": [{"id": "B1", "name": "B1"}]}]},
      {"id": "a2", "folders": [{"id": "C", "name": "C"}]}]})");
    auto first = notes->accounts().firstObject();
    EXPECT_EQ(namesOf(first->folders()),
              (std::vector<Text>{u"A", u"A1", u"A1x", u"A2", u"B", u"B1"}));
    EXPECT_EQ(namesOf(first->folders().firstObject()->folders()),
              (std::vector<Text>{u"A1", u"A2"}));
    EXPECT_EQ(namesOf(first->folders().objectAtIndex(1)->folders()), (std::vector<Text>{u"A1x"}));
    EXPECT_EQ(namesOf(first->folders().objectAtIndex(4)->folders()), (std::vector<Text>{u"B1"}));
    EXPECT_EQ(namesOf(notes->accounts().objectAtIndex(1)->folders()), (std::vector<Text>{u"C"}));

    struct Row {
        std::uint64_t folder;
        Text containerId;
    };
    for (const Row& row :
         {Row{0, u"a1"}, Row{1, u"A"}, Row{2, u"A1"}, Row{3, u"A"}, Row{4, u"a1"}, Row{5, u"B"}}) {
        SCOPED_TRACE(row.folder);
        EXPECT_EQ(first->folders().objectAtIndex(row.folder)->container().get()->id(),
                  std::optional<Text>(row.containerId));
    }
}

TEST_F(NotesLibraryFile, ApplicationNotesHoldEveryNoteOfEveryAccountInOrder) {
    auto notes = loaded(R"({"format": "notes-library", "version": 1, "accounts": [
      {"folders": [{"notes": [{"name": "1"}, {"name": "2"}],
                    "folders": [{"notes": [{"name": "3"}]}]},
                   {"notes": [{"name": "4"}]}]},
      {},
      {"folders": [{"folders": [{"notes": [{"name": "5"}]}]}]}]})");
    std::vector<Text> titles;
    notes->notes().enumerate([&](const std::shared_ptr<NotesNote>& note, std::uint64_t) {
        titles.push_back(note->name());
    });
    EXPECT_EQ(titles, (std::vector<Text>{u"1", u"2", u"3", u"4", u"5"}));
    auto firstFolder = notes->accounts().firstObject()->folders().firstObject();
    EXPECT_EQ(firstFolder->notes().count(), 2u);
    EXPECT_EQ(notes->accounts().objectAtIndex(1)->folders().count(), 0u);
}

TEST_F(NotesLibraryFile, NamedContainersResolveWithinTheAccount) {
    auto account = this->account(R"("id": "acc", "folders": [
      {"id": "p", "name": "listed under the account, contained by q", "container": "q"},
      {"id": "q", "name": "q", "folders": [
         {"name": "contained by the account", "container": "acc"}]},
      {"name": "container without an id", "container": null},
      {"name": "container the file does not hold", "container": "elsewhere"},
      {"name": "empty id", "container": ""}])")
                       ->accounts()
                       .firstObject();
    auto folders = account->folders();
    ASSERT_EQ(folders.count(), 6u);
    struct Row {
        const char* name;
        std::uint64_t folder;
        std::optional<Text> containerId;
        Text containerName;
    };
    for (const Row& row : {
             Row{"another folder", 0, u"q", u"q"},
             Row{"the account", 2, u"acc", u""},
             Row{"null", 3, std::nullopt, u""},
             Row{"unknown id", 4, u"elsewhere", u""},
             Row{"empty id", 5, u"", u""},
         }) {
        SCOPED_TRACE(row.name);
        auto container = folders.objectAtIndex(row.folder)->container().get();
        ASSERT_NE(container, nullptr);
        EXPECT_EQ(container->id(), row.containerId);
        EXPECT_EQ(container->name(), row.containerName);
    }
}

TEST_F(NotesLibraryFile, KeepsLoneSurrogateEscapesAsOneCodeUnit) {
    struct Row {
        const char* name;
        std::string json;
        Text expected;
    };
    const Row rows[] = {
        {"lone high", R"(a\ud800b)", Text(u"a") + char16_t(0xD800) + u"b"},
        {"lone low", R"(\uDC00)", Text(1, char16_t(0xDC00))},
        {"high before a letter escape", R"(\ud83d\u0041)", Text(1, char16_t(0xD83D)) + u"A"},
        {"high at the end", R"(x\uD83D)", Text(u"x") + char16_t(0xD83D)},
        {"two highs", R"(\ud83d\ud83d\ude00)",
         Text(1, char16_t(0xD83D)) + char16_t(0xD83D) + char16_t(0xDE00)},
        {"escaped pair", R"(\ud83d\ude00)", u"😀"},
        {"escaped backslash before u", R"(\\ud800)", u"\\ud800"},
        {"raw UTF-8", "Café 😀", u"Café 😀"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto note = account(R"("folders": [{"notes": [{"name": ")" + row.json + R"("}]}])")
                        ->notes()
                        .firstObject();
        EXPECT_EQ(note->name(), row.expected);
    }
}

TEST_F(NotesLibraryFile, FindsTheContainerByAnIdWithALoneSurrogate) {
    auto folders = account(R"("folders": [{"id": "\ud800"}, {"container": "\ud800"}])")
                       ->accounts()
                       .firstObject()
                       ->folders();
    EXPECT_EQ(folders.objectAtIndex(1)->container().get(), folders.firstObject());
}

// Every kind of fault, with the place and the fault as the message gives them after the path.
TEST_F(NotesLibraryFile, ReportsEachFaultWithItsPlace) {
    const std::string head = R"({"format": "notes-library", "version": 1, "accounts": )";
    struct Row {
        const char* name;
        std::string content;
        std::string message;
    };
    const Row rows[] = {
        {"empty file", "", "the file is empty"},
        {"only white space", "  \n ", "line 2, column 2: not valid JSON: the document is empty"},
        {"not UTF-8", "{\"format\":\n \"caf\xE9\"}", "line 2, column 6: not UTF-8 text"},
        {"UTF-16", "\xFF\xFE{\0\"\0", "line 1, column 1: not UTF-8 text"},
        {"NUL byte", std::string("{} \0 {}", 6),
         "line 1, column 4: not valid JSON (a NUL character)"},
        {"trailing comma", "{\"format\": \"notes-library\",\n\n   }",
         "line 3, column 4: not valid JSON: missing a name for object member"},
        {"column counts characters", "{\"é😀\": x}",
         "line 1, column 8: not valid JSON: invalid value"},
        {"column after a lone surrogate", "{\"\\ud800\": x}",
         "line 1, column 12: not valid JSON: invalid value"},
        {"second document", "{} {}",
         "line 1, column 4: not valid JSON: the document root must not be followed by other "
         "values"},
        {"top level array", "[]", "top level: not a Notes library (an array, not an object)"},
        {"no format", R"({"version": 1})", "top level: not a Notes library (no \"format\" member)"},
        {"other format", R"({"format": "photos", "version": 1})",
         "format: not a Notes library (\"photos\" instead of \"notes-library\")"},
        {"format of another type", R"({"format": 1, "version": 1})",
         "format: not a Notes library (a number instead of \"notes-library\")"},
        {"other format reported before a member fault", R"({"accounts": 3, "format": "notes\n"})",
         "format: not a Notes library (\"notes\\u000A\" instead of \"notes-library\")"},
        {"no version", R"({"format": "notes-library"})", "top level: no \"version\" member"},
        {"version 2", R"({"format": "notes-library", "version": 2})",
         "version: unknown version 2 (this importer reads version 1)"},
        {"version 1.5", R"({"format": "notes-library", "version": 1.5})",
         "version: unknown version 1.5 (this importer reads version 1)"},
        {"version as text", R"({"format": "notes-library", "version": "1"})",
         "version: expected a number, found a string"},
        {"version reported before a member fault",
         R"({"format": "notes-library", "accounts": 3, "version": 2})",
         "version: unknown version 2 (this importer reads version 1)"},
        {"accounts not an array", head + "{}}", "accounts: expected an array, found an object"},
        {"account not an object", head + "[{}, \"iCloud\"]}",
         "accounts[1]: expected an object, found a string"},
        {"account name", head + R"([{"name": 7}]})",
         "accounts[0].name: expected a string, found a number"},
        {"account id null", head + R"([{"id": null}]})",
         "accounts[0].id: expected a string, found null"},
        {"folder not an object", head + R"([{"folders": [[]]}]})",
         "accounts[0].folders[0]: expected an object, found an array"},
        {"folder container", head + R"([{"folders": [{"container": false}]}]})",
         "accounts[0].folders[0].container: expected a string or null, found a boolean"},
        {"nested folders", head + R"([{"folders": [{}, {"folders": [{"name": []}]}]}]})",
         "accounts[0].folders[1].folders[0].name: expected a string, found an array"},
        {"note body",
         head + R"([{"folders": [{}, {}, {"notes": [{}, {}, {}, {}, {}, {"body": 1}]}]}]})",
         "accounts[0].folders[2].notes[5].body: expected a string, found a number"},
        {"notes not an array", head + R"([{"folders": [{"notes": {}}]}]})",
         "accounts[0].folders[0].notes: expected an array, found an object"},
        {"locked as text", head + R"([{"folders": [{"notes": [{"locked": "yes"}]}]}]})",
         "accounts[0].folders[0].notes[0].locked: expected true or false, found a string"},
        {"attachment name",
         head + R"([{"folders": [{"notes": [{"attachments": [{"name": null}]}]}]}]})",
         "accounts[0].folders[0].notes[0].attachments[0].name: expected a string, found null"},
        {"attachment not an object",
         head + R"([{"folders": [{"notes": [{"attachments": ["a.png"]}]}]}]})",
         "accounts[0].folders[0].notes[0].attachments[0]: expected an object, found a string"},
        {"date without zone",
         head + R"([{"folders": [{"notes": [{"creationDate": "2024-03-01T08:15:00"}]}]}]})",
         "accounts[0].folders[0].notes[0].creationDate: \"2024-03-01T08:15:00\" is not an RFC "
         "3339 date-time with a time zone"},
        {"impossible date",
         head + R"([{"folders": [{"notes": [{"modificationDate": "2023-02-29T00:00:00Z"}]}]}]})",
         "accounts[0].folders[0].notes[0].modificationDate: \"2023-02-29T00:00:00Z\" is not an "
         "RFC 3339 date-time with a time zone"},
        {"member twice", head + R"([{"name": "a", "name": "b"}]})",
         "accounts[0].name: the member appears twice"},
        {"first member fault wins", head + R"([{"name": 1}, {"name": 2}]})",
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

TEST_F(NotesLibraryFile, ToleratesAByteOrderMark) {
    auto result = load("\xEF\xBB\xBF{\"format\": \"notes-library\", \"version\": 1, \"x\": }");
    EXPECT_EQ(result.error, path_ + ": line 1, column 48: not valid JSON: invalid value");
    EXPECT_NE(loaded("\xEF\xBB\xBF{\"format\": \"notes-library\", \"version\": 1}"), nullptr);
}

TEST_F(NotesLibraryFile, NamesAFileThatCannotBeRead) {
    const auto missing = (env_.root() / "nowhere.json").string();
    auto result = loadNotesLibrary(missing);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.application, nullptr);
    EXPECT_EQ(result.error, missing + ": cannot be read (No such file or directory)");

    const auto directory = env_.root().string();
    result = loadNotesLibrary(directory);
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.error, directory + ": cannot be read (Is a directory)");
}

TEST_F(NotesLibraryFile, KeepsAMessageOnOneLine) {
    auto result = load("[]", "odd\nname.json");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->find('\n'), std::string::npos);
    EXPECT_EQ(result.error->rfind((env_.root() / "odd?name.json").string(), 0), 0u);
}

TEST_F(NotesLibraryFile, ObjectsOutliveTheirLists) {
    std::shared_ptr<NotesNote> note;
    std::shared_ptr<NotesFolder> folder;
    {
        auto notes = account(R"("id": "a", "folders": [{"notes": [{"name": "kept"}]}])");
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

}  // namespace
}  // namespace quillmere
