#include "notes_source/backup/backup_notes.h"

#include <sys/stat.h>

#include <cctype>
#include <memory>
#include <optional>

#include "notes_source/backup/backup_files.h"
#include "notes_source/backup/backup_keybag.h"
#include "platform/files/file_io.h"
#include "platform/plist/binary_property_list.h"

namespace quillmere::backup {

namespace {

constexpr std::uint64_t kMaxManifestPlistBytes = 16 * 1024 * 1024;
constexpr const char* kDatabase = "NoteStore.sqlite";

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

NoteStoreOpen failure(const std::string& folder, const std::string& reason) {
    NoteStoreOpen open;
    open.error = folder + ": " + reason;
    return open;
}

// The major number of a version such as "10.0"; none when it is not one.
std::optional<int> majorVersion(const std::optional<std::string>& version) {
    if (!version || version->empty() || !std::isdigit(static_cast<unsigned char>((*version)[0]))) {
        return std::nullopt;
    }
    int major = 0;
    for (char c : *version) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || major > 1000) break;
        major = major * 10 + (c - '0');
    }
    return major;
}

}  // namespace

BackupFolderKind backupFolderKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return BackupFolderKind::none;
    const std::string base = path + (path.ends_with('/') ? "" : "/");
    if (exists(base + "Manifest.db")) return BackupFolderKind::supported;
    if (exists(base + "Manifest.mbdb")) return BackupFolderKind::tooOld;
    if (exists(base + "Manifest.plist")) return BackupFolderKind::supported;
    return BackupFolderKind::none;
}

bool isEncryptedBackup(const std::string& folder) {
    if (backupFolderKind(folder) != BackupFolderKind::supported) return false;
    FileRead read = readRegularFile(folder + "/Manifest.plist", kMaxManifestPlistBytes);
    if (read.problem) return false;
    auto list = plist::BinaryPropertyList::parse(std::move(read.bytes));
    return list && list->root()["IsEncrypted"].boolean().value_or(false);
}

BackupFilesOpen openBackupFiles(const std::string& folder, PasswordRing* passwords) {
    const auto failure = [&folder](const std::string& reason) {
        BackupFilesOpen open;
        open.error = folder + ": " + reason;
        return open;
    };
    const std::string base = folder + (folder.ends_with('/') ? "" : "/");
    if (backupFolderKind(folder) == BackupFolderKind::tooOld) {
        return failure("a backup older than iOS 10 (Manifest.mbdb), which cannot be read");
    }
    FileRead plistRead = readRegularFile(base + "Manifest.plist", kMaxManifestPlistBytes);
    if (plistRead.problem) {
        return failure("not a complete iPhone or iPad backup: Manifest.plist: " +
                       *plistRead.problem);
    }
    auto plistParsed = plist::BinaryPropertyList::parse(std::move(plistRead.bytes));
    if (!plistParsed) return failure("the backup's Manifest.plist is damaged");
    const plist::Value manifest = plistParsed->root();
    if (auto major = majorVersion(manifest["Version"].string()); major && *major < 10) {
        return failure("a backup older than iOS 10 (version " + *manifest["Version"].string() +
                       "), which cannot be read");
    }
    struct stat info {};
    if (::stat((base + "Manifest.db").c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return failure("not a complete iPhone or iPad backup: it has no Manifest.db");
    }

    std::optional<BackupClassKeys> keys;
    std::unique_ptr<ScratchFolder> scratch;
    std::string manifestDb = base + "Manifest.db";
    if (manifest["IsEncrypted"].boolean().value_or(false)) {
        const auto keybagBytes = manifest["BackupKeyBag"].data();
        const auto manifestKey = manifest["ManifestKey"].data();
        if (!keybagBytes || !manifestKey) {
            return failure("the backup's Manifest.plist lacks its keybag or ManifestKey");
        }
        KeybagParse keybag = parseBackupKeybag(*keybagBytes);
        if (!keybag.keybag) return failure("the backup's keybag is damaged: " + *keybag.error);
        PasswordRing::Outcome outcome = PasswordRing::Outcome::noPassword;
        if (passwords) {
            outcome =
                passwords->open({"iPhone or iPad backup", ""}, [&](const SecureBytes& password) {
                    keys = BackupClassKeys::unlock(*keybag.keybag, password);
                    return keys.has_value();
                });
        }
        if (outcome == PasswordRing::Outcome::noPassword) {
            return failure("the backup is encrypted, and no backup password was given");
        }
        if (outcome != PasswordRing::Outcome::opened) {
            return failure("the backup password is not correct");
        }
        auto key = keys->unwrapFileKey(*manifestKey);
        if (!key) return failure("the backup's ManifestKey is damaged");
        Error error;
        scratch = ScratchFolder::make("backup", kScratchNames, &error);
        if (!scratch) return failure(error.description);
        manifestDb = scratch->path() + "/Manifest.db";
        if (auto problem = decryptFileTo(base + "Manifest.db", *key, manifestDb)) {
            return failure("the backup's Manifest.db cannot be decrypted: " + *problem);
        }
    }
    auto opened = ManifestDatabase::open(manifestDb);
    if (!opened.database) {
        return failure("the backup's Manifest.db is damaged (" + *opened.error + ")");
    }

    BackupFilesOpen open;
    open.encrypted = keys.has_value();
    open.files = std::make_shared<BackupFiles>(folder, std::move(opened.database), std::move(keys),
                                               std::move(scratch));
    return open;
}

NoteStoreOpen openBackupNotes(const std::string& folder, PasswordRing* passwords,
                              NoteFaultReporter reportFault,
                              std::shared_ptr<PasswordRing> notePasswords) {
    BackupFilesOpen opened = openBackupFiles(folder, passwords);
    if (!opened.files) {
        NoteStoreOpen open;
        open.error = opened.error;
        return open;
    }
    const std::string base = folder + (folder.ends_with('/') ? "" : "/");
    const bool encrypted = opened.encrypted;
    std::shared_ptr<BackupFiles> files = std::move(opened.files);
    const ManifestLookup database = files->manifest().find(kNotesDomain, kDatabase);
    if (database.error) {
        return failure(folder, "the backup's Manifest.db is damaged (" + *database.error + ")");
    }
    if (!database.entry) {
        if (files->manifest().find("HomeDomain", "Library/Notes/notes.sqlite").entry) {
            return failure(folder,
                           "the backup holds notes of iOS 8 or older, which cannot be read");
        }
        return failure(folder, "the backup holds no Notes (no NoteStore.sqlite in its manifest)");
    }
    switch (files->kindOf(kDatabase)) {
        case SourceFileKind::regularFile:
            break;
        case SourceFileKind::missing:
            return failure(folder, "the backup lacks " + files->storedName(kDatabase) +
                                       " (NoteStore.sqlite), which its manifest names");
        case SourceFileKind::notFollowed:
            return failure(folder, "NoteStore.sqlite in the backup is not a regular file");
    }

    std::string path = base + files->storedName(kDatabase);
    const SourceFileKind wal = files->kindOf(std::string(kDatabase) + "-wal");
    if (encrypted || wal == SourceFileKind::regularFile) {
        // The database must sit beside its -wal file under their own names, and decrypted.
        Error error;
        const ScratchFolder* scratchFolder = files->scratch(&error);
        if (!scratchFolder) return failure(folder, error.description);
        path = scratchFolder->path() + "/" + kDatabase;
        if (auto problem = files->copyOut(kDatabase, path)) {
            return failure(folder, "NoteStore.sqlite in the backup cannot be read: " + *problem);
        }
        if (wal == SourceFileKind::regularFile) {
            if (auto problem = files->copyOut(std::string(kDatabase) + "-wal", path + "-wal")) {
                return failure(folder,
                               "NoteStore.sqlite-wal in the backup cannot be read: " + *problem);
            }
        }
    }
    if (!looksLikeSqliteDatabase(path)) {
        return failure(folder, "NoteStore.sqlite in the backup is not an SQLite database");
    }
    // The database's objects hold on to the files, and so to the scratch folder it is read from.
    return openNoteStore(path, std::move(reportFault), std::move(files), std::move(notePasswords));
}

}  // namespace quillmere::backup
