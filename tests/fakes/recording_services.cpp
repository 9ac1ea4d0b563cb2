#include "tests/fakes/recording_services.h"

namespace quillmere::test {

void RecordingAlerts::runModal(const Alert& alert) {
    alerts.push_back(alert);
    journal_->record("alert(" + alert.messageText + ")");
}

bool RecordingWorkspace::openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                                         const std::string& bundleIdentifier) {
    openRequests.push_back(OpenRequest{urls, bundleIdentifier});
    journal_->record("workspace.open(" + bundleIdentifier + ")");
    return acceptingBundleIdentifiers.contains(bundleIdentifier);
}

void RecordingWorkspace::selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                                            const std::string& rootPath) {
    showRequests.push_back(ShowRequest{file, rootPath});
    journal_->record("workspace.show(" + rootPath + ")");
}

bool MemoryUserDefaults::boolForKey(const std::string& key) const {
    ++reads_[key];
    if (auto script = scripted_.find(key); script != scripted_.end() && !script->second.empty()) {
        const bool answer = script->second.front();
        script->second.erase(script->second.begin());
        return answer;
    }
    if (auto stored = storedBools.find(key); stored != storedBools.end()) {
        return stored->second;
    }
    if (auto registered = registeredBools.find(key); registered != registeredBools.end()) {
        return registered->second;
    }
    return false;
}

std::optional<std::string> MemoryUserDefaults::stringForKey(const std::string& key) const {
    if (auto stored = storedStrings.find(key); stored != storedStrings.end()) {
        return stored->second;
    }
    return std::nullopt;
}

void MemoryUserDefaults::scriptBoolReads(const std::string& key, std::vector<bool> answers) {
    scripted_[key] = std::move(answers);
}

int MemoryUserDefaults::boolReadCount(const std::string& key) const {
    auto reads = reads_.find(key);
    return reads == reads_.end() ? 0 : reads->second;
}

}  // namespace quillmere::test
