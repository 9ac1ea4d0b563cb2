#pragma once
// A private folder for files made from the user's data during a run (a decrypted copy of a
// backup's files): inside the private temporary directory, mode 0700, removed with everything in
// it when the object goes. While it lives, its named files and the folder are also removed by
// removeTemporaryFoldersForSignal() (SignalRemovedFolder) when a signal ends the process first,
// so nothing made from the user's data outlives the run.
//
//   Error error;
//   auto scratch = ScratchFolder::make("backup", {"Manifest.db"}, &error);
//   if (!scratch) { report(error.description); }
//   std::string copy = scratch->path() + "/Manifest.db";

#include <initializer_list>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/files/signal_removed_folder.h"

namespace quillmere {

class ScratchFolder {
public:
    // A new folder "<prefix>-XXXXXX" in the private temporary directory, whose files will be
    // among `names`; null with `error` filled (when not null) if it cannot be made or could not
    // be removed on a signal.
    static std::unique_ptr<ScratchFolder> make(const std::string& prefix,
                                               std::initializer_list<const char*> names,
                                               Error* error);

    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    ScratchFolder(std::string path, std::initializer_list<const char*> names)
        : path_(std::move(path)), guard_(path_, names) {}
    std::string path_;
    SignalRemovedFolder guard_;
};

}  // namespace quillmere
