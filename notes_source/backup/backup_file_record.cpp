#include "notes_source/backup/backup_file_record.h"

#include "platform/plist/keyed_archive.h"

namespace quillmere::backup {

std::optional<BackupFileRecord> parseBackupFileRecord(std::string bytes) {
    auto archive = plist::KeyedArchive::parse(std::move(bytes));
    if (!archive) return std::nullopt;
    const plist::Value root = archive->top("root");
    const auto size = archive->member(root, "Size").integer();
    if (!size || *size < 0) return std::nullopt;
    BackupFileRecord record;
    record.size = static_cast<std::uint64_t>(*size);
    record.lastModified = archive->member(root, "LastModified").integer();
    if (auto key = archive->data(archive->member(root, "EncryptionKey"))) {
        record.encryptionKey = std::string(*key);
    }
    return record;
}

}  // namespace quillmere::backup
