#pragma once
// Markdown (CommonMark with GitHub's tables, strikethrough and task lists) from a note's HTML,
// read with libxml2's HTML parser: headings, paragraphs one blank line apart, bold, italic,
// strikethrough, monospaced runs as code, links, images, nested lists (a "☐ "/"☑ " tick or a
// checkbox at an item's start makes it a task item), block quotes and tables. Text that Markdown
// would read as syntax is escaped so that it reads back as written. Pure: safe on any thread.
//
//   auto converted = markdown::fromHtml("<h1>Pancakes</h1><ul><li>Flour #baking</li></ul>");
//   // converted.markdown == "# Pancakes\n\n- Flour #baking\n", converted.hashtags == {"baking"}
//
// Budget: an input above `maxInputBytes`, elements nested deeper than `maxDepth` or an output
// above `maxOutputBytes(input)` end the conversion with a fault instead of a result. Time and
// memory are linear in the input within that budget.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::markdown {

struct Budget {
    std::size_t maxInputBytes = std::size_t{32} << 20;
    std::size_t maxDepth = 256;
    // What escaping and the indentation of nested lists and quotes may add to an input.
    std::size_t outputFactor = 8;
    std::size_t outputAllowance = std::size_t{64} << 10;
    std::size_t maxOutputBytes(std::size_t inputBytes) const {
        return inputBytes * outputFactor + outputAllowance;
    }
};

struct Conversion {
    std::string markdown;               // UTF-8, ends with a line feed unless empty
    std::vector<std::string> hashtags;  // the text's "#tag" words without "#", distinct, in order
    std::optional<std::string> fault;   // why the budget ended it; then the rest is empty
};

// The Markdown of `html` (UTF-8; an invalid sequence reads as U+FFFD).
Conversion fromHtml(std::string_view html, const Budget& budget = Budget());

}  // namespace quillmere::markdown
