#pragma once
// Identifiers that no other call, process or machine will make again: the names of the
// importer's per-run temporary directories.
//
//   Text id = UniqueIdentifier::newUniqueIdentifier();  // e.g. u"0f1e2d3c4b5a49788796a5b4c3d2e1f0"

#include "platform/text/text.h"

namespace quillmere::UniqueIdentifier {

// A new random (version 4) UUID as 32 lowercase hexadecimal digits, its 16 bytes from first to
// last, the high digit of each byte first, without hyphens. Cannot fail.
Text newUniqueIdentifier();

}  // namespace quillmere::UniqueIdentifier
