// The Notes library reader on any bytes, and the reads of the model it builds: a library or one
// fault, never a crash.

#include <cstdlib>

#include "notes_source/notes_library_reader.h"

namespace {

using namespace quillmere;

void readFolders(const ElementList<NotesFolder>& folders) {
    for (const auto& folder : folders) {
        folder->id();
        folder->name();
        if (auto container = folder->container().get()) container->name();
        for (const auto& note : folder->notes()) {
            note->name();
            note->body();
            note->creationDate();
            for (const auto& attachment : note->attachments()) attachment->name();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto read = notes_library::readLibrary(std::string(reinterpret_cast<const char*>(data), size));
    if ((read.library == nullptr) == !read.fault) std::abort();
    if (read.fault && read.fault->what.find('\n') != std::string::npos) std::abort();
    if (read.library) {
        for (const auto& account : read.library->accounts()) {
            account->name();
            readFolders(account->folders());
        }
        read.library->notes();
    }
    return 0;
}
