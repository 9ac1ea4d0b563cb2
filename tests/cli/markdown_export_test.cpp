// Every note of Apple's Notes databases and of the stored note blobs, exported by the built
// command as Markdown and as HTML: cmark-gfm (tables, strikethrough, task lists) renders each
// Markdown file back to HTML, and that HTML has the HTML export's words in the same order, its
// headings, list items with their depth and ticks, tables and links.

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>
#include <libxml/HTMLparser.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/cli/fixture_libraries.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

std::string rendered(const std::string& markdown) {
    cmark_gfm_core_extensions_ensure_registered();
    cmark_parser* parser = cmark_parser_new(CMARK_OPT_DEFAULT);
    for (const char* name : {"table", "strikethrough", "tasklist"}) {
        cmark_parser_attach_syntax_extension(parser, cmark_find_syntax_extension(name));
    }
    cmark_parser_feed(parser, markdown.data(), markdown.size());
    cmark_node* document = cmark_parser_finish(parser);
    char* html =
        cmark_render_html(document, CMARK_OPT_UNSAFE, cmark_parser_get_syntax_extensions(parser));
    std::string result = html;
    std::free(html);
    cmark_node_free(document);
    cmark_parser_free(parser);
    return result;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(text[i + 1]) &&
            std::isxdigit(text[i + 2])) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Where two lists of words part: the words from there on, a few of each; empty when equal.
std::string firstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    if (at == a.size() && at == b.size()) return "";
    auto some = [at](const std::vector<std::string>& words) {
        std::string text;
        for (std::size_t i = at; i < words.size() && i < at + 4; ++i) text += "<" + words[i] + ">";
        return text;
    };
    return "word " + std::to_string(at) + ": " + some(a) + " vs " + some(b);
}

// What the comparison looks at, each a list in document order.
struct Outline {
    std::vector<std::string> words;
    std::vector<std::string> headings;  // "h2 words…"
    std::vector<std::string> items;     // "depth tick", tick "[ ]", "[x]" or ""
    std::vector<std::string> tables;    // "rows x columns"
    std::vector<std::string> links;     // percent-decoded targets
};

class OutlineReader {
public:
    Outline read(const std::string& html) {
        htmlDocPtr document = htmlReadMemory(
            html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
            HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        if (document != nullptr) walk(reinterpret_cast<xmlNode*>(document), 0);
        xmlFreeDoc(document);
        addWords(stream_, outline_.words);
        return outline_;
    }

private:
    static std::string name(const xmlNode* node) {
        return node->name ? reinterpret_cast<const char*>(node->name) : "";
    }
    static std::string attribute(const xmlNode* node, const char* key) {
        xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(key));
        std::string text = value ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        return text;
    }

    // The words of `text`; the ticks that stand for a checklist's state are the items' to show.
    void addWords(const std::string& text, std::vector<std::string>& words) {
        std::string word;
        auto flush = [&] {
            if (!word.empty() && word != "\u2610" && word != "\u2611") words.push_back(word);
            word.clear();
        };
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (std::isspace(static_cast<unsigned char>(text[i]))) {
                flush();
            } else if (text.compare(i, 2, "\xC2\xA0") == 0) {
                flush();
                ++i;
            } else {
                word += text[i];
            }
        }
        flush();
    }

    std::string textOf(const xmlNode* node) {
        xmlChar* content = xmlNodeGetContent(node);
        std::string text = content ? reinterpret_cast<const char*>(content) : "";
        xmlFree(content);
        return text;
    }

    void walk(const xmlNode* parent, int listDepth) {
        for (const xmlNode* node = parent->children; node != nullptr; node = node->next) {
            if (node->type == XML_TEXT_NODE) {
                stream_ += reinterpret_cast<const char*>(node->content);
                continue;
            }
            if (node->type != XML_ELEMENT_NODE) continue;
            const std::string tag = name(node);
            // Words run on across inline elements; a block or a break ends one.
            static const std::set<std::string> kBlocks = {
                "p",  "div",   "li", "ul", "ol", "h1", "h2", "h3",         "h4",  "h5",
                "h6", "table", "tr", "td", "th", "br", "hr", "blockquote", "pre", "img"};
            const bool block = kBlocks.contains(tag);
            if (block) stream_ += ' ';
            int depth = listDepth;
            if (tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6') {
                std::vector<std::string> words;
                addWords(textOf(node), words);
                std::string heading = tag;
                for (const auto& word : words) heading += " " + word;
                if (!words.empty())
                    outline_.headings.push_back(heading);  // an empty one shows nothing
            } else if (tag == "ul" || tag == "ol") {
                depth = listDepth + 1;
            } else if (tag == "li") {
                outline_.items.push_back(std::to_string(listDepth) + " " + tickOf(node));
            } else if (tag == "table") {
                std::size_t rows = 0, columns = 0;
                countRows(node, rows, columns);
                outline_.tables.push_back(std::to_string(rows) + " x " + std::to_string(columns));
            } else if (tag == "a" && !attribute(node, "href").empty()) {
                outline_.links.push_back(percentDecoded(attribute(node, "href")));
            }
            walk(node, depth);
            if (block) stream_ += ' ';
        }
    }

    // An item's tick: a checkbox (cmark-gfm's task item) or a ballot box at its start.
    std::string tickOf(const xmlNode* item) {
        for (const xmlNode* node = item->children; node != nullptr; node = node->next) {
            if (node->type == XML_ELEMENT_NODE && name(node) == "input") {
                return xmlHasProp(node, reinterpret_cast<const xmlChar*>("checked")) ? "[x]"
                                                                                     : "[ ]";
            }
        }
        const std::string text = textOf(item);
        const std::size_t start = text.find_first_not_of(" \n\t");
        if (start != std::string::npos && text.compare(start, 3, "\u2610") == 0) return "[ ]";
        if (start != std::string::npos && text.compare(start, 3, "\u2611") == 0) return "[x]";
        return "";
    }

    void countRows(const xmlNode* parent, std::size_t& rows, std::size_t& columns) {
        for (const xmlNode* node = parent->children; node != nullptr; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            if (name(node) == "tr") {
                ++rows;
                std::size_t cells = 0;
                for (const xmlNode* cell = node->children; cell != nullptr; cell = cell->next) {
                    if (cell->type == XML_ELEMENT_NODE) ++cells;
                }
                columns = std::max(columns, cells);
            } else if (name(node) != "table") {
                countRows(node, rows, columns);
            }
        }
    }

    Outline outline_;
    std::string stream_;  // the text, a space where a block begins or ends
};

TEST(MarkdownExport, EveryFixtureNoteReadsBackAsItsHtmlExport) {
    if (!fs::exists(kFixtures / "SOURCES.txt")) {
        if (std::getenv("CI")) FAIL() << "The Notes fixtures are not there: " << kFixtures;
        GTEST_SKIP() << "The Notes fixtures are not there: " << kFixtures.string();
    }
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
        SCOPED_TRACE(library.filename().string());
        std::map<std::string, fs::path> exports;  // by format
        for (const char* format : {"html", "markdown"}) {
            const auto result = runProgram({QUILLMERE_IMPORT_COMMAND, "--library", library.string(),
                                            "--format", format, "--no-open", "--quiet"},
                                           env.root(), &environment);
            ASSERT_EQ(result.exitStatus, 0) << result.err;
            exports[format] = result.lastOutLine();
        }
        int compared = 0;
        for (const auto& entry : fs::recursive_directory_iterator(exports["markdown"])) {
            if (entry.path().extension() != ".md") continue;
            const fs::path relative = fs::relative(entry.path(), exports["markdown"]);
            fs::path html = exports["html"] / relative;
            html.replace_extension(".html");
            if (!fs::exists(html)) html.replace_extension(".plain-text");
            ASSERT_TRUE(fs::exists(html)) << relative;
            const std::string markdown = readFile(entry.path());
            const std::size_t body = markdown.find("\n---\n\n");
            ASSERT_TRUE(markdown.starts_with("---\n") && body != std::string::npos) << relative;
            const Outline fromMarkdown = OutlineReader().read(rendered(markdown.substr(body + 6)));
            const Outline fromHtml = OutlineReader().read(readFile(html));
            SCOPED_TRACE(relative.string());
            EXPECT_EQ(firstDifference(fromMarkdown.words, fromHtml.words), "") << markdown;
            EXPECT_EQ(fromMarkdown.headings, fromHtml.headings);
            EXPECT_EQ(fromMarkdown.items, fromHtml.items);
            EXPECT_EQ(fromMarkdown.tables, fromHtml.tables);
            EXPECT_EQ(fromMarkdown.links, fromHtml.links);
            ++compared;
        }
        EXPECT_GE(compared, 5);
    }
}

}  // namespace
}  // namespace quillmere::test
