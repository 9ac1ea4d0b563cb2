#pragma once
// The prefix rule behind PathUtilities::stringByAbbreviatingUserDirectoryInPath, apart from the
// password-database lookup, so that it can be used with any home directory.
//
//   stringByAbbreviatingDirectoryInPath(u"/home/ada/notes", u"/home/ada")   // u"~/notes"

#include "platform/text/text.h"

namespace quillmere::PathUtilities {

// "~" followed by the rest of `path` when `path` begins with `directory` (a plain prefix test on
// code units, which need not end at a "/"); otherwise `path` unchanged. An empty `directory`
// matches nothing.
Text stringByAbbreviatingDirectoryInPath(const Text& path, const Text& directory);

}  // namespace quillmere::PathUtilities
