#include "app/app_services.h"

namespace quillmere {

namespace {
AppServices& installed() {
    static AppServices services;
    return services;
}
}  // namespace

void installAppServices(AppServices services) { installed() = std::move(services); }

const AppServices& appServices() { return installed(); }

}  // namespace quillmere
