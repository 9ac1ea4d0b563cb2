// The Markdown converter: each construct of a note's HTML, the escaping that keeps text from
// reading as syntax, hashtags and the budget.

#include "app/markdown_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::markdown {
namespace {

struct Row {
    const char* name;
    std::string html;
    std::string markdown;
};

TEST(MarkdownConversion, WritesEachConstructOfTheNoteHtml) {
    const std::vector<Row> rows = {
        {"heading_then_paragraphs_one_blank_line_apart",
         "<div><h1>Title</h1></div>\n<div><br></div>\n<div>One</div>\n<div>Two</div>",
         "# Title\n\nOne\n\nTwo\n"},
        {"heading_levels", "<h2>Sub</h2><h3>Subsub</h3>", "## Sub\n\n### Subsub\n"},
        {"line_break_inside_a_paragraph", "<div>a<br>b<br></div>", "a\\\nb\n"},
        {"whitespace_collapses_as_html_shows_it", "<div>  a \n\t b  </div>", "a b\n"},
        {"bold_italic_strikethrough", "<div><b>B</b> <i>I</i> <strike>S</strike></div>",
         "**B** *I* ~~S~~\n"},
        {"spaces_go_outside_the_delimiters", "<div>a<b> b </b>c</div>", "a **b** c\n"},
        {"nested_same_style_once", "<div><b>a<b>b</b></b></div>", "**ab**\n"},
        {"adjacent_runs_of_one_style_join", "<div><i>a</i><i><u>b</u></i> <s>c</s><s>d</s></div>",
         "*ab* ~~cd~~\n"},
        {"empty_style_leaves_nothing", "<div>a<b> </b>b</div>", "a b\n"},
        {"monospaced_run_as_code", "<div><tt>x*y</tt></div>", "`x*y`\n"},
        {"code_with_backticks_gets_a_longer_fence", "<div><code>a`b</code></div>", "``a`b``\n"},
        {"link", "<div><a href=\"https://example.com/a\">Example</a></div>",
         "[Example](https://example.com/a)\n"},
        {"link_without_text_shows_its_target", "<div><a href=\"https://x.org\"></a></div>",
         "[https://x.org](https://x.org)\n"},
        {"link_target_spaces_and_brackets_encoded",
         "<div><a href=\"Attachments/my file (1).pdf\">my file (1).pdf</a></div>",
         "[my file (1).pdf](Attachments/my%20file%20%281%29.pdf)\n"},
        {"existing_escape_kept", "<div><a href=\"a%20b\">x</a></div>", "[x](a%20b)\n"},
        {"image_named_by_its_file", "<div><img src=\"Attachments/caf\xC3\xA9 1.png\"></div>",
         "![caf\xC3\xA9 1.png](Attachments/caf%C3%A9%201.png)\n"},
        {"image_alt_wins", "<img src=\"a.png\" alt=\"Chart\">", "![Chart](a.png)\n"},
        {"bulleted_list", "<ul><li>a</li><li>b</li></ul>", "- a\n- b\n"},
        {"numbered_list_counts_from_start", "<ol start=\"3\"><li>a</li><li>b</li></ol>",
         "3. a\n4. b\n"},
        {"nested_list_inside_item", "<ul><li>a<ul><li>b</li></ul></li><li>c</li></ul>",
         "- a\n  - b\n- c\n"},
        {"nested_list_straight_inside_list",
         "<ol>\n<li>a</li>\n<ol>\n<li>b</li>\n</ol>\n<li>c</li>\n</ol>", "1. a\n   1. b\n2. c\n"},
        {"list_after_paragraph_and_paragraph_after_list",
         "<div>p</div><ul><li>a</li></ul><div>q</div>", "p\n\n- a\n\nq\n"},
        {"two_lists_in_a_row_stay_two", "<ul><li>a</li></ul><ul><li>b</li></ul>", "- a\n\n* b\n"},
        {"checklist_ticks", "<ul><li>\xE2\x98\x90 milk</li><li>\xE2\x98\x91 eggs</li></ul>",
         "- [ ] milk\n- [x] eggs\n"},
        {"checkbox_input", "<ul><li><input type=\"checkbox\" checked>done</li></ul>",
         "- [x] done\n"},
        {"tick_later_in_the_text_is_text", "<ul><li>a \xE2\x98\x90</li></ul>",
         "- a \xE2\x98\x90\n"},
        {"empty_item_keeps_its_marker", "<ul><li></li><li>b</li></ul>", "-\n- b\n"},
        {"block_quote", "<blockquote><div>a</div><div>b</div></blockquote>", "> a\n>\n> b\n"},
        {"list_in_quote", "<blockquote><ul><li>a</li></ul></blockquote>", "> - a\n"},
        {"table_first_row_is_the_header",
         "<table><tbody><tr><td><div>A</div></td><td>B</td></tr><tr><td>1</td><td>2</td></tr>"
         "</tbody></table>",
         "| A | B |\n| --- | --- |\n| 1 | 2 |\n"},
        {"table_cells_escaped_and_joined_with_br",
         "<table><tr><td><div>a|b</div><div>c</div></td><td>x<br>y</td></tr></table>",
         "| a\\|b<br>c | x<br>y |\n| --- | --- |\n"},
        {"table_short_row_padded",
         "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>",
         "| a | b |\n| --- | --- |\n| c |  |\n"},
        {"rule", "<div>a</div><hr><div>b</div>", "a\n\n---\n\nb\n"},
        {"preformatted_as_fenced_code", "<pre>a  *b*\n  c</pre>", "```\na  *b*\n  c\n```\n"},
        {"head_and_script_skipped",
         "<html><head><title>T</title><style>x</style></head><body><div>a</div>"
         "<script>s</script></body></html>",
         "a\n"},
        {"empty_paragraphs_and_no_break_spaces_dropped", "<div>\xC2\xA0</div><div><br></div>", ""},
        {"bold_across_a_block_closes_and_opens", "<b>a<div>b</div></b>", "**a**\n\n**b**\n"},
        {"heading_ending_in_hashes_keeps_them", "<h1>Issue #</h1>", "# Issue \\#\n"},
    };
    for (const Row& row : rows) {
        const Conversion converted = fromHtml(row.html);
        EXPECT_EQ(converted.markdown, row.markdown) << row.name;
        EXPECT_FALSE(converted.fault) << row.name;
    }
}

// Text that Markdown would read as syntax reads back as written.
TEST(MarkdownConversion, EscapesTextThatWouldReadAsSyntax) {
    const std::vector<Row> rows = {
        {"emphasis_and_code_characters", "<div>a*b_c`d~e\\f</div>", "a\\*b\\_c\\`d\\~e\\\\f\n"},
        {"brackets_and_pipes", "<div>[x](y) | z</div>", "\\[x\\](y) \\| z\n"},
        {"heading_mark_at_line_start", "<div>#1 idea</div>", "\\#1 idea\n"},
        {"heading_mark_inside_a_line", "<div>C# code</div>", "C# code\n"},
        {"list_marks_at_line_start", "<div>- a</div><div>+ b</div><div>&gt; c</div>",
         "\\- a\n\n\\+ b\n\n\\> c\n"},
        {"numbered_list_mark", "<div>1. a</div><div>12) b</div>", "1\\. a\n\n12\\) b\n"},
        {"line_start_after_break", "<div>a<br>- b<br>=</div>", "a\\\n\\- b\\\n\\=\n"},
        {"tag_and_entity_lookalikes", "<div>&lt;b&gt; &amp;amp; a &lt; b &amp; c</div>",
         "\\<b> \\&amp; a < b & c\n"},
        {"code_keeps_its_text", "<div><tt>*[x]*</tt></div>", "`*[x]*`\n"},
        {"pipe_in_table_code", "<table><tr><td><tt>a|b</tt></td></tr></table>",
         "| `a\\|b` |\n| --- |\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fromHtml(row.html).markdown, row.markdown) << row.name;
    }
}

TEST(MarkdownConversion, CollectsHashtagsOfTheText) {
    struct TagRow {
        const char* name;
        std::string html;
        std::vector<std::string> tags;
    };
    const std::vector<TagRow> rows = {
        {"words_in_order_once", "<div>#b and #a, #b</div>", {"b", "a"}},
        {"letters_digits_dash_underscore", "<div>#caf\xC3\xA9_2-x!</div>", {"caf\xC3\xA9_2-x"}},
        {"inside_a_word_or_only_digits_no_tag", "<div>C#code #42 #</div>", {}},
        {"across_elements", "<div>see <b>#bold</b></div>", {"bold"}},
        {"not_in_code_or_links", "<div><tt>#code</tt> <a href=\"x\">#link</a></div>", {}},
    };
    for (const TagRow& row : rows) {
        EXPECT_EQ(fromHtml(row.html).hashtags, row.tags) << row.name;
    }
}

TEST(MarkdownConversion, EndsWithAFaultBeyondItsBudget) {
    struct BudgetRow {
        const char* name;
        std::string html;
        Budget budget;
        bool fault;
    };
    Budget small;
    small.maxInputBytes = 100;
    Budget shallow;
    shallow.maxDepth = 12;  // html, body, div and nine b
    Budget tight;
    tight.outputFactor = 1;
    tight.outputAllowance = 0;
    std::string nested;
    for (int i = 0; i < 9; ++i) nested += "<b>";
    const std::string deepList = [] {
        std::string html;
        for (int i = 0; i < 100; ++i) html += "<ul><li>x";
        return html;
    }();
    std::string deepDivs;
    for (int i = 0; i < 100000; ++i) deepDivs += "<div><b>";
    const std::vector<BudgetRow> rows = {
        {"input_at_its_limit", std::string(100, 'a'), small, false},
        {"input_over_its_limit", std::string(101, 'a'), small, true},
        {"depth_within", "<div>" + nested + "x</div>", shallow, false},
        {"depth_beyond", "<div><div>" + nested + "x</div></div>", shallow, true},
        {"escaping_beyond_the_output_limit", "<div>" + std::string(50, '*') + "</div>", tight,
         true},
        {"hostile_nesting_a_fault_not_a_crash", deepDivs, Budget(), true},
        {"deep_lists_indented_within_the_default_output_limit", deepList, Budget(), false},
    };
    for (const BudgetRow& row : rows) {
        const Conversion converted = fromHtml(row.html, row.budget);
        EXPECT_EQ(converted.fault.has_value(), row.fault) << row.name;
        if (row.fault) {
            EXPECT_TRUE(converted.markdown.empty()) << row.name;
        }
    }
}

}  // namespace
}  // namespace quillmere::markdown
