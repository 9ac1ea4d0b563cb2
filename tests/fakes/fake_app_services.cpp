#include "tests/fakes/fake_app_services.h"

#include "app/app_services.h"

namespace quillmere::test {

FakeAppServices::FakeAppServices() {
    installAppServices(AppServices{mainQueue, globalQueue, userDefaults, alerts, workspace, log,
                                   linkDetector, lookup});
}

FakeAppServices::~FakeAppServices() { installAppServices(AppServices{}); }

void FakeAppServices::runWalk() {
    globalQueue->runAll();
    mainQueue->runAll();
}

}  // namespace quillmere::test
