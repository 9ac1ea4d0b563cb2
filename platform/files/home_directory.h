#pragma once
// The home directory of the process's real user, as the password database records it.
//
//   if (auto home = homeDirectoryOfRealUser()) { ... }   // e.g. "/home/ada"

#include <optional>
#include <string>

namespace quillmere {

// The home-directory field of the password-database entry for getuid(), as stored (bytes,
// normally UTF-8). Absent when there is no entry or the lookup fails. `$HOME` is not consulted.
// Safe to call from any thread.
std::optional<std::string> homeDirectoryOfRealUser();

}  // namespace quillmere
