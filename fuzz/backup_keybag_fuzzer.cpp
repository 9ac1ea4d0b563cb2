// The keybag reader and the file-record reader of a backup on any bytes: a keybag it accepts has
// its round counts within their caps, and nothing crashes.

#include <cstdlib>
#include <string>

#include "notes_source/backup/backup_file_record.h"
#include "notes_source/backup/backup_keybag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere::backup;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const KeybagParse parse = parseBackupKeybag(bytes);
    if (parse.keybag.has_value() == parse.error.has_value()) std::abort();
    if (parse.keybag &&
        (parse.keybag->sha1Rounds == 0 || parse.keybag->sha1Rounds > kMaxSha1Rounds ||
         parse.keybag->sha256Rounds > kMaxSha256Rounds)) {
        std::abort();
    }
    parseBackupFileRecord(bytes);
    return 0;
}
