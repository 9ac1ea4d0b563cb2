#pragma once
// Splitting a "/"-separated path into its components and joining components back, purely as
// text: nothing on disk is consulted.
//
//   pathComponents(u"/tmp//scratch/")   // {u"/", u"tmp", u"scratch", u"/"}
//   componentsJoinedBySlash({u"a", u"b"})  // u"a/b"
//   pathWithComponents({u"/", u"tmp"})  // u"/tmp"

#include <vector>

#include "platform/text/text.h"

namespace quillmere::path {

// The components of `path`. A leading "/" is the component "/" first; a trailing "/" (in a path
// longer than one character) is the component "/" last; empty pieces between separators are
// dropped. The empty path has no components; "/" alone is the one component "/".
std::vector<Text> pathComponents(TextView path);

// The components with one "/" between each pair, none treated specially; no components give
// the empty text.
Text componentsJoinedBySlash(const std::vector<Text>& components);

// The components with one "/" between each pair, except that a "/" component stands for a
// separator of its own: first it is the root (no further "/" follows it), later it is a trailing
// separator (written once). No components give the empty text. The inverse of pathComponents
// for every path without repeated separators.
Text pathWithComponents(const std::vector<Text>& components);

}  // namespace quillmere::path
