#pragma once
// Recording fakes of the run's services: alerts, the desktop workspace, the diagnostic log, the
// user defaults and the link detector. Alerts and workspace requests also go to the journal of
// the controls ("alert(<message text>)", "workspace.open(<bundle id>)", "workspace.show(<path>)")
// so that their order against the controls can be checked.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/links/link_detector.h"
#include "platform/settings/log.h"
#include "platform/settings/user_defaults.h"
#include "platform/ui/alerts.h"
#include "platform/ui/workspace.h"
#include "tests/fakes/recording_controls.h"

namespace quillmere::test {

class RecordingAlerts : public Alerts {
public:
    explicit RecordingAlerts(std::shared_ptr<CallJournal> journal) : journal_(std::move(journal)) {}

    void runModal(const Alert& alert) override {
        alerts.push_back(alert);
        record(*journal_, "alert", alert.messageText);
    }

    std::vector<Alert> alerts;

private:
    std::shared_ptr<CallJournal> journal_;
};

class RecordingWorkspace : public Workspace {
public:
    explicit RecordingWorkspace(std::shared_ptr<CallJournal> journal)
        : journal_(std::move(journal)) {}

    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                         const std::string& bundleIdentifier) override {
        openedURLs.push_back(urls);
        record(*journal_, "workspace.open", bundleIdentifier);
        return accepting.contains(bundleIdentifier);
    }
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                            const std::string& rootPath) override {
        record(*journal_, file ? "workspace.showSelecting" : "workspace.show", rootPath);
    }

    std::set<std::string> accepting;  // the bundle identifiers whose application takes the folder
    std::vector<std::vector<FileURL>> openedURLs;  // the URL list of every open request

private:
    std::shared_ptr<CallJournal> journal_;
};

class RecordingLog : public Log {
public:
    void log(const std::string& message) override { lines.push_back(message); }

    std::vector<std::string> lines;
};

// Booleans in memory: the stored value, else the registered one, else false. No texts.
class MemoryUserDefaults : public UserDefaults {
public:
    void registerBool(const std::string& key, bool value) override { registered[key] = value; }
    bool boolForKey(const std::string& key) const override {
        const auto& domain = stored.contains(key) ? stored : registered;
        return domain.contains(key) && domain.at(key);
    }
    void setBool(const std::string& key, bool value) override { stored[key] = value; }
    std::optional<std::string> stringForKey(const std::string&) const override { return {}; }
    void setString(const std::string&, const std::string&) override {}

    std::map<std::string, bool> registered;
    std::map<std::string, bool> stored;
};

// Answers the range of the first occurrence of each given literal (give them in text order),
// and records each text it was asked about; `onDetect` runs at that moment (once per note,
// before the file is written).
class ScriptedLinkDetector : public LinkDetector {
public:
    std::vector<Range> matchesInString(const Text& text) const override {
        texts.push_back(text);
        if (onDetect) {
            onDetect(text);
        }
        std::vector<Range> found;
        for (const Text& literal : literals) {
            if (const auto at = text.find(literal); at != Text::npos) {
                found.push_back(Range{at, literal.size()});
            }
        }
        return found;
    }

    std::vector<Text> literals;
    std::function<void(const Text&)> onDetect;
    mutable std::vector<Text> texts;
};

}  // namespace quillmere::test
