#include "app/app_delegate.h"

#include "app/app_services.h"

namespace quillmere {

void AppDelegate::applicationDidFinishLaunching() {
    appServices().userDefaults->registerBool(kUseFirstParagraphAsHeadingKey, true);
    appServices().userDefaults->registerBool(kSkipRecentlyDeletedKey, false);
    appServices().userDefaults->registerBool(kCopyAttachmentsKey, true);
}

}  // namespace quillmere
