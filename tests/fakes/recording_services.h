#pragma once
// Recording fakes of the run's services: alerts, the desktop workspace, the diagnostic log and
// the user defaults. Alerts and workspace requests also go to the shared journal ("alert(<message
// text>)", "workspace.open(<bundle id>)", "workspace.show(<path>)") so that their order against
// the controls can be checked.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/alerts.h"
#include "platform/log.h"
#include "platform/user_defaults.h"
#include "platform/workspace.h"
#include "tests/fakes/call_journal.h"

namespace quillmere::test {

class RecordingAlerts : public Alerts {
public:
    explicit RecordingAlerts(std::shared_ptr<CallJournal> journal) : journal_(std::move(journal)) {}

    void runModal(const Alert& alert) override;

    std::vector<Alert> alerts;  // every alert run, in order

private:
    std::shared_ptr<CallJournal> journal_;
};

class RecordingWorkspace : public Workspace {
public:
    explicit RecordingWorkspace(std::shared_ptr<CallJournal> journal)
        : journal_(std::move(journal)) {}

    struct OpenRequest {
        std::vector<FileURL> urls;
        std::string bundleIdentifier;
    };
    struct ShowRequest {
        std::optional<std::string> file;
        std::string rootPath;
    };

    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                         const std::string& bundleIdentifier) override;
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                            const std::string& rootPath) override;

    std::set<std::string> acceptingBundleIdentifiers;  // the applications that take the folder
    std::vector<OpenRequest> openRequests;
    std::vector<ShowRequest> showRequests;

private:
    std::shared_ptr<CallJournal> journal_;
};

class RecordingLog : public Log {
public:
    void log(const std::string& message) override { lines.push_back(message); }

    std::vector<std::string> lines;
};

// User defaults in memory. A test may script the answers of successive boolForKey reads of one
// key (after the script runs out, the stored or registered value answers again).
class MemoryUserDefaults : public UserDefaults {
public:
    void registerBool(const std::string& key, bool value) override { registeredBools[key] = value; }
    bool boolForKey(const std::string& key) const override;
    void setBool(const std::string& key, bool value) override { storedBools[key] = value; }
    std::optional<std::string> stringForKey(const std::string& key) const override;
    void setString(const std::string& key, const std::string& value) override {
        storedStrings[key] = value;
    }

    void scriptBoolReads(const std::string& key, std::vector<bool> answers);
    int boolReadCount(const std::string& key) const;

    std::map<std::string, bool> registeredBools;
    std::map<std::string, bool> storedBools;
    std::map<std::string, std::string> storedStrings;

private:
    mutable std::map<std::string, std::vector<bool>> scripted_;
    mutable std::map<std::string, int> reads_;
};

}  // namespace quillmere::test
