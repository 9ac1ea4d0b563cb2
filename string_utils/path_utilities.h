#pragma once
// Operations on texts that name files and paths: making a safe file name out of a note's title,
// choosing a name that no sibling has taken, and standardizing, relating and abbreviating paths.
// All are pure: they never touch the disk and return new texts.
//
//   Text base = PathUtilities::stringByReplacingUnallowedFilenameCharacters(u"001_Milk/eggs?");
//   // u"001_Milk-eggs"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/text/text.h"

namespace quillmere::PathUtilities {

// A base name for one file made from any line of text: path separators and other unallowed
// characters become "-", tabs, line feeds and supplementary characters become spaces, runs of
// spaces shrink to one, leading and trailing dots are defused, and the result fits 100 code units.
Text stringByReplacingUnallowedFilenameCharacters(const Text& string);

// `preferredName` in NFD, or "<name> - 2.<ext>", "<name> - 3.<ext>" ... (the first number
// that is free), where names are compared after NFD and full lower-casing. `currentName`, the
// name the item has now, always counts as free and, when it has an extension, lends it to the
// result. Only the last component has an extension, and a leading "." does not start one
// (".profile" has none). Never fails; the counter has no upper bound.
//
//   filenameForPrefererredName(u"Notes.txt", std::nullopt, {u"notes.txt"})   // u"Notes - 2.txt"
Text filenameForPrefererredName(const Text& preferredName, const std::optional<Text>& currentName,
                                const std::vector<Text>& takenNames);

// The extension of `name` as filenameForPrefererredName sees it (after the last ".", none for
// a leading "."), and the name without it and its ".".
Text pathExtension(const Text& name);
Text stringByDeletingPathExtension(const Text& name);

// A growing collection of taken names, compared as filenameForPrefererredName compares them,
// for a caller that chooses many names against the same names: each name's key is made once,
// and a run of clashes on one name resumes counting where the last one stopped.
//
//   TakenFilenames taken;
//   taken.insert(u"notes.txt");
//   taken.firstFreeCounter(u"Notes.txt");   // 2: "Notes - 2.txt" is free
class TakenFilenames {
public:
    void insert(const Text& name);
    // Forgets one insertion of `name` (a name inserted twice stays taken once).
    void erase(const Text& name);
    bool contains(const Text& name) const;
    // The number n >= 2 of the first numbered candidate "<name> - n[.<ext>]" that is not
    // taken: the counter filenameForPrefererredName would use for `name` without a current
    // name.
    std::uint64_t firstFreeCounter(const Text& name);

private:
    std::unordered_map<Text, std::size_t> keys_;           // comparison key -> insertions
    std::unordered_map<Text, std::uint64_t> nextCounter_;  // NFD name -> where to resume
};

// `path` with "." components dropped, each ".." taking away the component before it, and
// repeated separators collapsed, purely as text (no links, no "~"). A leading "/" stays; a
// trailing "/" is dropped. Absent when a ".." climbs above the start ("..", "a/../..", "/..").
//
//   stringByStandardizingVirtualPath(u"a/b/../c")   // u"a/c"
std::optional<Text> stringByStandardizingVirtualPath(const Text& path);

// The components of `path` beyond the leading ones it shares with `basePath` (compared exactly),
// joined again; "" when nothing remains. The base need not be shared whole. Absent when `path`
// has fewer components than `basePath` or shares not even the first one. Never yields "..".
//
//   pathRelativeToBasePath(u"/home/u1/docs/x.txt", u"/home/u1")   // u"docs/x.txt"
std::optional<Text> pathRelativeToBasePath(const Text& path, const Text& basePath);

// `path` with the real user's home directory (from the password database, never `$HOME`) at
// its start written as "~"; a plain prefix test, so "/home/u10" becomes "~0" for "/home/u1".
// Unchanged when the path does not begin with it or the lookup fails.
Text stringByAbbreviatingUserDirectoryInPath(const Text& path);

}  // namespace quillmere::PathUtilities
