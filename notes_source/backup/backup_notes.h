#pragma once
// Notes read straight from an iPhone or iPad backup folder (made by Finder, iTunes or
// idevicebackup2, iOS 10 or later), plain or encrypted, recognised by its contents.
//
//   if (backupFolderKind(path) != BackupFolderKind::none) {
//       NoteStoreOpen open = openBackupNotes(path, &passwords, log);
//       if (!open.application) std::cerr << *open.error << '\n';
//   }
//
// The backup folder is only read. A plain backup's Notes database is read in place (or from a
// private copy when it has a -wal file); an encrypted backup's Manifest.db and Notes database are
// decrypted into a scratch folder in the private temporary directory, which goes when the notes
// are let go of (or on a signal). Attachment files are read from the backup as they are asked
// for, decrypted on the way. Each failure is one line: "<folder>: <reason>".

#include <memory>
#include <optional>
#include <string>

#include "notes_source/backup/backup_files.h"
#include "notes_source/note_store/note_store_database.h"
#include "platform/crypto/password_ring.h"

namespace quillmere::backup {

enum class BackupFolderKind {
    none,       // not a backup: no Manifest.db, Manifest.plist or Manifest.mbdb in it
    supported,  // a backup of iOS 10 or later (Manifest.db), or meant to be one
    tooOld,     // a backup older than iOS 10 (Manifest.mbdb)
};

// What `path` holds, from the names in it; a path that is no folder is `none`.
BackupFolderKind backupFolderKind(const std::string& path);

struct BackupFilesOpen {
    std::shared_ptr<BackupFiles> files;  // null when the backup cannot be read
    bool encrypted = false;
    std::optional<std::string> error;  // "<folder>: <reason>"
};

// Whether `folder` is a backup whose Manifest.plist says it is encrypted (its password is then
// needed before anything else in it can be checked).
bool isEncryptedBackup(const std::string& folder);

// The Notes container's files in the backup at `folder`: Manifest.plist read, the keybag
// unlocked with `passwords` (may be null) when the backup is encrypted, Manifest.db opened
// (decrypted into a scratch folder first when encrypted).
BackupFilesOpen openBackupFiles(const std::string& folder, PasswordRing* passwords);

// The notes of the backup at `folder`. An encrypted backup's password comes from `passwords`
// (may be null: then an encrypted backup cannot be read); locked notes are opened with
// `notePasswords` (may be null).
NoteStoreOpen openBackupNotes(const std::string& folder, PasswordRing* passwords,
                              NoteFaultReporter reportFault,
                              std::shared_ptr<PasswordRing> notePasswords = nullptr);

}  // namespace quillmere::backup
