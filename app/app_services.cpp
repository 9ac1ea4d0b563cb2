#include "app/app_services.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace quillmere {

namespace {

// The set in use; a release store pairs with the readers' acquire loads, so a thread that sees
// the new set sees all of its members.
std::atomic<const AppServices*>& current() {
    static const AppServices none;
    static std::atomic<const AppServices*> services{&none};
    return services;
}

}  // namespace

void installAppServices(AppServices services) {
    static std::mutex installing;
    static std::unique_ptr<const AppServices> owned;
    const std::lock_guard<std::mutex> lock(installing);
    auto replacement = std::make_unique<const AppServices>(std::move(services));
    current().store(replacement.get(), std::memory_order_release);
    // The old set goes only now, after the new one is published; no run may be using it.
    owned = std::move(replacement);
}

const AppServices& appServices() { return *current().load(std::memory_order_acquire); }

}  // namespace quillmere
