#pragma once
// The YAML front matter that opens a note's Markdown file: its title, dates, place and tags, each
// value written so that any YAML reader reads back exactly the note's text.
//
//   note_front_matter::FrontMatter fields{.title = "Pancakes", .folder = "Recipes/Breakfast"};
//   std::string yaml = note_front_matter::written(fields);
//   // "---\ntitle: \"Pancakes\"\nfolder: \"Recipes/Breakfast\"\ntags: []\n---\n"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/markdown_conversion.h"
#include "platform/date.h"

namespace quillmere::note_front_matter {

struct FrontMatter {
    std::string title;  // UTF-8, like every text here
    std::optional<Date> created;
    std::optional<Date> modified;
    std::string folder;   // the Notes folder's path, "/" between folders; left out when empty
    std::string account;  // left out when empty
    std::vector<std::string> tags;
    bool locked = false;  // written only when true
};

// The block from its opening "---" line to its closing one, dates in the local time zone.
std::string written(const FrontMatter& fields);

// `text` as a double-quoted YAML scalar: "\" and "\"" escaped, and every character YAML does
// not allow as it is (controls, U+FEFF, line separators, an invalid UTF-8 sequence) as an escape.
std::string quoted(std::string_view text);

// `date` as ISO 8601 with `offset` from UTC: "2025-07-30T07:47:31+02:00" (whole seconds).
std::string isoDate(Date date, std::chrono::seconds offset);

// The local time zone's offset from UTC at `date`.
std::chrono::seconds localOffset(Date date);

// A note's whole Markdown file: the front matter of `fields` with the body's hashtags as its tags,
// a blank line, then the body converted from `html`; or the conversion's fault.
markdown::Conversion markdownFile(std::string_view html, FrontMatter fields,
                                  const markdown::Budget& budget = markdown::Budget());

}  // namespace quillmere::note_front_matter
