#pragma once
// Operations on texts that name files and paths: making a safe file name out of a note's title,
// choosing a name that no sibling has taken, and standardizing, relating and abbreviating paths.
// All are pure: they never touch the disk and return new texts.
//
//   Text base = PathUtilities::stringByReplacingUnallowedFilenameCharacters(u"001_Milk/eggs?");
//   // u"001_Milk-eggs"

#include <optional>
#include <vector>

#include "platform/text.h"

namespace quillmere::PathUtilities {

// A base name for one file made from any line of text: path separators and other unallowed
// characters become "-", tabs, line feeds and supplementary characters become spaces, runs of
// spaces shrink to one, leading and trailing dots are defused, and the result fits 100 code units.
Text stringByReplacingUnallowedFilenameCharacters(const Text& string);

// `preferredName`, or a variant of it that none of `takenNames` holds; `currentName` is the
// name the item already has, which it may keep.
Text filenameForPrefererredName(const Text& preferredName, const std::optional<Text>& currentName,
                                const std::vector<Text>& takenNames);

// `path` with "." and ".." components resolved and separators normalised, without consulting
// the disk; absent when the path cannot be standardized.
std::optional<Text> stringByStandardizingVirtualPath(const Text& path);

// `path` expressed relative to `basePath`; absent when no relative path leads there.
std::optional<Text> pathRelativeToBasePath(const Text& path, const Text& basePath);

// `path` with the user's home directory at its start written as "~".
Text stringByAbbreviatingUserDirectoryInPath(const Text& path);

}  // namespace quillmere::PathUtilities
