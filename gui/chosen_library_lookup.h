#pragma once
// The Notes lookup of the window: "Notes" is the Notes library the user chose with the Choose
// button, read from the user defaults afresh for every run, so a new choice takes effect with
// the next run. What is wrong with the library, if anything, goes to a listener (the line
// beside the library's name in the window).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes_source/notes_model.h"
#include "platform/crypto/password_ring.h"
#include "platform/settings/user_defaults.h"

namespace quillmere::gui {

class ChosenLibraryLookup : public NotesLookup {
public:
    // Receives the one-line problem of each lookup, or none when the library could be read.
    using Listener = std::function<void(const std::optional<std::string>& problem)>;

    // Gives the backup passwords for one lookup (the window's password field).
    using BackupPasswords = std::function<std::vector<SecureBytes>()>;

    // `passwords` makes each run's passwords for locked notes (may be empty: none);
    // `backupPasswords` those of an encrypted backup.
    ChosenLibraryLookup(std::shared_ptr<const UserDefaults> defaults, Listener listener,
                        std::function<std::shared_ptr<PasswordRing>()> passwords = {},
                        BackupPasswords backupPasswords = {});

    std::shared_ptr<NotesApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier) override;
    std::optional<std::string> lastProblem() const override { return lastProblem_; }

    // The library the user chose, the same one the command reads; an empty path is none.
    static std::optional<std::string> chosenPath(const UserDefaults& defaults);
    // What is wrong with the library at `path`, in one line; none when it can be read.
    static std::optional<std::string> problemWithLibrary(const std::string& path);

private:
    std::shared_ptr<const UserDefaults> defaults_;
    Listener listener_;
    std::function<std::shared_ptr<PasswordRing>()> passwords_;
    BackupPasswords backupPasswords_;
    std::optional<std::string> lastProblem_;
};

}  // namespace quillmere::gui
