#include "app/app_delegate.h"

#include "app/app_services.h"
#include "app/note_queue.h"

namespace quillmere {

AppDelegate::AppDelegate() = default;
AppDelegate::~AppDelegate() = default;

NoteQueue& AppDelegate::noteQueue() {
    if (!noteQueue_) noteQueue_ = std::make_unique<NoteQueue>(*this);
    return *noteQueue_;
}

void AppDelegate::applicationDidFinishLaunching() {
    appServices().userDefaults->registerBool(kUseFirstParagraphAsHeadingKey, true);
    appServices().userDefaults->registerBool(kSkipRecentlyDeletedKey, false);
    appServices().userDefaults->registerBool(kCopyAttachmentsKey, true);
}

}  // namespace quillmere
