#pragma once
// The record Manifest.db keeps of one file of a backup (its `file` column): an NSKeyedArchiver
// archive of an MBFile with the file's size and, in an encrypted backup, its key.
//
//   auto record = parseBackupFileRecord(entry.record);
//   if (record && record->encryptionKey) { ... unwrap it with the class keys ... }

#include <cstdint>
#include <optional>
#include <string>

namespace quillmere::backup {

struct BackupFileRecord {
    std::uint64_t size = 0;                    // the file's size before encryption
    std::optional<std::int64_t> lastModified;  // seconds since 1970-01-01 00:00 UTC
    // EncryptionKey: the protection class (4 bytes, little-endian), then the wrapped file key.
    std::optional<std::string> encryptionKey;
};

// The record in `bytes`, or std::nullopt when they are no keyed archive of a file with a size
// that is a number from 0 up.
std::optional<BackupFileRecord> parseBackupFileRecord(std::string bytes);

}  // namespace quillmere::backup
