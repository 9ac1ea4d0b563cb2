#pragma once
// The current user's private temporary directory: the base of every temporary folder the
// importer makes, in place of a per-user temporary directory that Linux does not provide.
//
// `$TMPDIR` itself is used when it is a directory of the user's own that no one else may enter
// (not a symbolic link, no group or other permissions). Otherwise the directory is
// "quillmere-<uid>" inside `$TMPDIR` (when that is a usable directory) or inside "/tmp". On a
// shared /tmp another user could otherwise read an export, or plant a symbolic link there that
// sends the importer's writes elsewhere; so the directory is created with mode 0700 and checked
// before every use.
//
//   Error error;
//   if (auto base = preparePrivateTemporaryDirectory(&error)) { /* write below *base */ }

#include <optional>
#include <string>

#include "platform/error.h"

namespace quillmere {

// Where the private temporary directory is (an absolute path, no trailing "/"). Reads the
// environment and looks at `$TMPDIR`, but creates and checks nothing.
std::string privateTemporaryDirectoryPath();

// Checks that `path` is safe to write below: it exists and is a directory, not a symbolic link,
// owned by the effective user and closed to group and others. On failure stores a description
// that names the path and the fault in `error` (when not null) and answers false.
bool verifyPrivateDirectory(const std::string& path, Error* error);

// The private temporary directory, created with mode 0700 when missing, and verified. Answers
// nullopt, with a description in `error` (when not null), when it cannot be created or fails the
// check.
std::optional<std::string> preparePrivateTemporaryDirectory(Error* error);

}  // namespace quillmere
