// Writes a Notes library file of a given number of notes, the same for the same seed, for
// timing whole imports: three accounts, folders nested up to eight deep (about one folder per
// forty notes), and note bodies as Notes writes them: div lines, empty lines, lists, entities,
// bold and monospaced runs, bare links, e-mail addresses, attachment characters with their
// attachments. Titles come in several scripts; some repeat, some are empty.
//
//   notes_library_generator 20000 library.json [seed]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A small generator of our own, so that the library is the same with every standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

private:
    std::uint64_t state_;
};

const char* const kWords[] = {
    "flour",   "milk",     "meeting", "budget",  "garden", "Paris", "train",  "ticket",
    "project", "draft",    "review",  "call",    "buy",    "eggs",  "sugar",  "book",
    "idea",    "deadline", "invoice", "holiday", "notes",  "list",  "photo",  "river",
    "café",    "naïve",    "Zürich",  "東京",    "会議",   "メモ",  "Москва", "заметка",
    "Αθήνα",   "σημείωση", "القاهرة", "ملاحظة",  "עברית",  "हिन्दी", "🙂",   "🚀"};

const char* const kTitles[] = {"Shopping list", "Ideas",          "Meeting notes", "Recipes",
                               "Crème brûlée",  "Reisepläne",     "Zakupy",        "買い物リスト",
                               "会议记录",      "Список покупок", "Σημειώσεις",    "قائمة التسوق",
                               "רשימת קניות",   "यात्रा",          "To do ✅",       "Q3 / Q4 plan",
                               "a: b? c*",      "Todo",           "Untitled",      "Notes 2024"};

const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&nbsp;", "&mdash;", "&quot;", "&amp"};

const char* const kLinks[] = {"https://www.example.com/path?q=1&amp;r=2",
                              "http://apple.com",
                              "www.wikipedia.org/wiki/Notes",
                              "bbc.co.uk/news",
                              "https://github.com/quillmere/notes",
                              "ftp://files.example.org/a.zip"};

const char* const kMails[] = {"anna@example.com", "bob.smith@mail.example.org",
                              "support@quillmere.app"};

struct Folder {
    std::string name;
    std::size_t depth = 0;
    std::vector<std::size_t> notes;
    std::vector<std::unique_ptr<Folder>> children;
};

struct Account {
    std::string name;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<Folder*> all;
};

void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    out += '"';
}

std::string sentence(Random& random) {
    std::string text;
    for (std::size_t n = 3 + random.below(14); n > 0; --n) {
        if (!text.empty()) {
            text += ' ';
        }
        const unsigned roll = static_cast<unsigned>(random.below(100));
        if (roll < 4) {
            text += random.pick(kLinks);
        } else if (roll < 6) {
            text += random.pick(kMails);
        } else if (roll < 10) {
            text += random.pick(kEntities);
        } else if (roll < 12) {
            text += std::string("<b>") + random.pick(kWords) + "</b>";
        } else if (roll < 13) {
            text += std::string("<tt>") + random.pick(kWords) + "</tt>";
        } else {
            text += random.pick(kWords);
        }
    }
    return text;
}

std::string title(Random& random) {
    const unsigned roll = static_cast<unsigned>(random.below(100));
    if (roll < 5) {
        return "";
    }
    if (roll < 40) {
        return random.pick(kTitles);  // repeats within a folder
    }
    return std::string(random.pick(kTitles)) + " " + random.pick(kWords) + " " +
           std::to_string(random.below(1000));
}

void appendNote(std::string& out, Random& random, std::size_t index, const std::string& indent) {
    const std::string name = title(random);
    std::string body;
    std::size_t attachments = 0;
    if (!random.chance(3)) {
        body = "<div><h1>" + name + "</h1></div>\n";
        for (std::size_t line = 2 + random.below(36); line > 0; --line) {
            const unsigned roll = static_cast<unsigned>(random.below(100));
            if (roll < 15) {
                body += "<div><br></div>\n";
            } else if (roll < 25) {
                body += "<ul>\n";
                for (std::size_t item = 1 + random.below(5); item > 0; --item) {
                    body += "<li>" + sentence(random) + "</li>\n";
                }
                body += "</ul>\n";
            } else if (roll < 29) {
                body += "<div>\xEF\xBF\xBC</div>\n";  // U+FFFC
                ++attachments;
            } else {
                body += "<div>" + sentence(random) + "</div>\n";
            }
        }
    }
    const std::size_t named = attachments == 0 ? 0 : attachments - random.below(2);
    out += indent + "{\"name\": ";
    appendJsonString(out, name);
    out += ", \"body\": ";
    appendJsonString(out, body);
    char dates[160];
    const std::size_t day = 1 + index % 28;
    std::snprintf(dates, sizeof dates,
                  ", \"creationDate\": \"2023-%02zu-%02zuT08:%02zu:00Z\", \"modificationDate\": "
                  "\"2024-%02zu-%02zuT19:40:%02zu.250+01:00\"",
                  1 + index % 12, day, index % 60, 1 + (index / 7) % 12, day, index % 60);
    out += dates;
    if (named > 0) {
        out += ", \"attachments\": [";
        for (std::size_t a = 0; a < named; ++a) {
            out += a == 0 ? "" : ", ";
            out += "{\"name\": \"image " + std::to_string(a) + ".jpeg\"}";
        }
        out += "]";
    }
    out += "}";
}

void appendFolder(std::string& out, Random& random, const Folder& folder, std::size_t& id,
                  const std::string& indent) {
    out += indent + "{\"id\": \"x-coredata://G/ICFolder/p" + std::to_string(++id) + "\", ";
    out += "\"name\": ";
    appendJsonString(out, folder.name);
    out += ",\n" + indent + " \"notes\": [\n";
    for (std::size_t i = 0; i < folder.notes.size(); ++i) {
        appendNote(out, random, folder.notes[i], indent + "  ");
        out += i + 1 < folder.notes.size() ? ",\n" : "\n";
    }
    out += indent + " ],\n" + indent + " \"folders\": [\n";
    for (std::size_t i = 0; i < folder.children.size(); ++i) {
        appendFolder(out, random, *folder.children[i], id, indent + "  ");
        out += i + 1 < folder.children.size() ? ",\n" : "\n";
    }
    out += indent + " ]}";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s NOTES OUTPUT.json [SEED]\n", argv[0]);
        return 2;
    }
    const std::size_t noteCount = std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 2026;
    Random random(seed);

    std::vector<Account> accounts(3);
    accounts[0].name = "iCloud";
    accounts[1].name = "On My Mac";
    accounts[2].name = "Gmail";
    const std::size_t folderCount = noteCount / 40 + 3;
    std::vector<Folder*> folders;
    for (std::size_t f = 0; f < folderCount; ++f) {
        Account& account = accounts[f < 3 ? f : random.below(3)];
        auto folder = std::make_unique<Folder>();
        folder->name = random.chance(10) ? "Notes"
                                         : std::string(random.pick(kWords)) + " " +
                                               std::to_string(random.below(100));
        Folder* parent = nullptr;
        if (!account.all.empty() && random.chance(60)) {
            parent = account.all[random.below(account.all.size())];
            if (parent->depth >= 7) {
                parent = nullptr;
            }
        }
        folder->depth = parent ? parent->depth + 1 : 0;
        Folder* raw = folder.get();
        (parent ? parent->children : account.folders).push_back(std::move(folder));
        account.all.push_back(raw);
        folders.push_back(raw);
    }
    for (std::size_t n = 0; n < noteCount; ++n) {
        folders[random.below(folders.size())]->notes.push_back(n);
    }

    std::string out = "{\"format\": \"notes-library\", \"version\": 1, \"accounts\": [\n";
    std::size_t id = 0;
    for (std::size_t a = 0; a < accounts.size(); ++a) {
        out += " {\"id\": \"x-coredata://G/ICAccount/p" + std::to_string(a + 1) + "\", ";
        out += "\"name\": ";
        appendJsonString(out, accounts[a].name);
        out += ", \"folders\": [\n";
        for (std::size_t i = 0; i < accounts[a].folders.size(); ++i) {
            appendFolder(out, random, *accounts[a].folders[i], id, "  ");
            out += i + 1 < accounts[a].folders.size() ? ",\n" : "\n";
        }
        out += " ]}";
        out += a + 1 < accounts.size() ? ",\n" : "\n";
    }
    out += "]}\n";

    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr || std::fwrite(out.data(), 1, out.size(), file) != out.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
