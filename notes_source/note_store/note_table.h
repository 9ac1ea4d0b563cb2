#pragma once
// Turns a Notes table (the gzipped mergeable document of a com.apple.notes.table attachment)
// into the HTML the Notes scripting interface gives for it:
// <object><table …><tbody><tr><td …>cell paragraphs</td>…</tr>…</tbody></table></object>.
//
//   std::string fault;
//   if (auto html = note_store::readTable(zmergeabledata, fault)) { ... } else { log(fault); }

#include <optional>
#include <string>
#include <string_view>

namespace quillmere::note_store {

// The table's HTML (UTF-8), or std::nullopt with `fault` set when the data cannot be read.
std::optional<std::string> readTable(std::string_view storedData, std::string& fault);

}  // namespace quillmere::note_store
