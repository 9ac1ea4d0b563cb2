#pragma once
// The Notes container inside an iPhone or iPad backup, as SourceFiles: each relative path
// ("NoteStore.sqlite", "Accounts/LocalAccount/Media/<id>/<gen>/x.pdf") is looked up in Manifest.db
// under the domain AppDomainGroup-group.com.apple.notes and read from
// "<first two digits of its fileID>/<fileID>" in the backup folder. Old backups keep attachments
// without the "Accounts/<account id>/" prefix; a path not found with it is looked up without.
//
//   BackupFiles files(folder, std::move(manifest), std::move(keys), std::move(scratch));
//   if (auto problem = files.copyOut("NoteStore.sqlite", scratchPath + "/NoteStore.sqlite")) ...
//
// In an encrypted backup every file is decrypted as it is read (AES-256-CBC, zero IV, under the
// file's own key from its record), piece by piece, and cut to the size its record gives: memory
// stays bounded whatever the file's size. The backup folder is only read. The object owns the
// scratch folder that holds decrypted copies, so they go when the last reader lets go of it.

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "notes_source/backup/backup_class_keys.h"
#include "notes_source/backup/manifest_database.h"
#include "notes_source/source_files.h"
#include "platform/files/scratch_folder.h"

namespace quillmere::backup {

inline constexpr const char* kNotesDomain = "AppDomainGroup-group.com.apple.notes";
// What a backup's scratch folder may hold: decrypted or private copies.
inline constexpr std::initializer_list<const char*> kScratchNames = {
    "Manifest.db", "NoteStore.sqlite", "NoteStore.sqlite-wal", "NoteStore.sqlite-shm"};

class BackupFiles : public SourceFiles {
public:
    // `keys`: none for a plain backup. `scratch` may be null.
    BackupFiles(std::string folder, std::unique_ptr<ManifestDatabase> manifest,
                std::optional<BackupClassKeys> keys, std::unique_ptr<ScratchFolder> scratch);
    ~BackupFiles() override;

    SourceFileKind kindOf(const std::string& relativePath) const override;
    std::unique_ptr<SourceFileStream> open(const std::string& relativePath) const override;
    std::string description() const override { return folder_; }

    // Where the backup keeps `relativePath`: "4f/4f98…", for messages; empty when the manifest
    // has no such file.
    std::string storedName(const std::string& relativePath) const;

    // Writes the file's content (decrypted) to a new file `target` (mode 0600). Answers why it
    // could not, in a few words, or nothing on success.
    std::optional<std::string> copyOut(const std::string& relativePath,
                                       const std::string& target) const;

    const ManifestDatabase& manifest() const { return *manifest_; }
    // The scratch folder for decrypted or private copies, made on first use; null with `error`
    // filled when it cannot be made.
    const ScratchFolder* scratch(Error* error) const;

private:
    struct Located;
    Located locate(const std::string& relativePath) const;

    std::string folder_;
    std::unique_ptr<ManifestDatabase> manifest_;
    std::optional<BackupClassKeys> keys_;
    mutable std::unique_ptr<ScratchFolder> scratch_;
};

// Decrypts the file at `source` (a regular file; AES-256-CBC, zero IV, under `key`) into a new
// file `target` (mode 0600), piece by piece, removing PKCS#7 padding when the end has one: for
// Manifest.db, whose size no record gives. Answers why it could not, or nothing on success.
std::optional<std::string> decryptFileTo(const std::string& source, const SecureBytes& key,
                                         const std::string& target);

}  // namespace quillmere::backup
