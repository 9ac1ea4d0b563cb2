#include "app/importer_settings.h"

#include "platform/settings/user_defaults_store.h"

namespace quillmere {

std::filesystem::path importerSettingsFile() {
    return UserDefaultsStore::defaultFile(kImporterSettingsFolder);
}

}  // namespace quillmere
