#pragma once
// Splitting a "/"-separated path into its components, joining components back, and making any
// name exactly one component, purely as text: nothing on disk is consulted.
//
//   pathComponents(u"/tmp//scratch/")   // {u"/", u"tmp", u"scratch", u"/"}
//   componentsJoinedBySlash({u"a", u"b"})  // u"a/b"
//   pathWithComponents({u"/", u"tmp"})  // u"/tmp"
//   singleComponent(u"a/b", u'-', SelfOrParent::kPrefixed)  // u"a-b"

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

// How singleComponent defuses a name that would stand for the directory itself or its parent.
enum class SelfOrParent {
    kPrefixed,  // "_" before it: "." -> "_.", ".." -> "_.."; "" -> "_"
    kReplaced,  // each "." replaced: "." -> "_", ".." -> "__"; "" -> "_"
};

// `name` as exactly one path component inside a directory: every "/" and NUL becomes
// `replacement`, and "", "." and ".." are defused as `selfOrParent` says. Every other name
// ("...", " .") is kept as it is.
Text singleComponent(TextView name, char16_t replacement, SelfOrParent selfOrParent);

}  // namespace quillmere::path
