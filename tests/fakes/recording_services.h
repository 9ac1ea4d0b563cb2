#pragma once
// Fakes of everything the run drives, for the app's tests: dispatch queues that a test runs by
// hand, and recording controls, alerts, workspace, log and link detector. The
// controls, alerts and workspace write each call to one journal as "<name>(<argument>)", so
// that a test can check their order, and fail the test when called off the main queue.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dispatch/dispatch_queue.h"
#include "platform/links/link_detector.h"
#include "platform/settings/log.h"
#include "platform/ui/alerts.h"
#include "platform/ui/button.h"
#include "platform/ui/progress_indicator.h"
#include "platform/ui/workspace.h"

namespace quillmere::test {

// `async` only records the work; `runAll` runs it (and what it submits meanwhile) in order.
// `sync` runs the work at once, as the queue's thread would while the caller waits.
class ManualQueue : public DispatchQueue {
public:
    explicit ManualQueue(bool background = false) : background_(background) {}

    void async(std::function<void()> work) override { pending.push_back(std::move(work)); }
    void sync(std::function<void()> work) override {
        ++syncCount;
        runAs(work);
    }
    void runAll() {
        while (!pending.empty()) {
            std::function<void()> work = std::move(pending.front());
            pending.pop_front();
            runAs(work);
        }
    }
    // Whether the work running now came through a background queue; the test's own code counts
    // as the main queue's.
    static bool inBackground() { return running_ != nullptr && running_->background_; }

    std::deque<std::function<void()>> pending;
    std::size_t syncCount = 0;

private:
    void runAs(const std::function<void()>& work) {
        const ManualQueue* outer = std::exchange(running_, this);
        work();
        running_ = outer;
    }

    bool background_;
    static inline const ManualQueue* running_ = nullptr;
};

using CallJournal = std::vector<std::string>;

// Writes "<call>(<argument>)", a double in its shortest form ("3", "0.5").
template <typename Argument>
void record(CallJournal& journal, const std::string& call, Argument argument) {
    std::ostringstream line;
    line << std::boolalpha << call << '(' << argument << ')';
    journal.push_back(line.str());
    EXPECT_FALSE(ManualQueue::inBackground()) << line.str() << " off the main queue";
}

// The progress bar or the start button; the state it is given is kept for the getters.
class RecordingControl : public ProgressIndicator, public Button {
public:
    RecordingControl(std::shared_ptr<CallJournal> journal, std::string name, bool hidden)
        : journal_(std::move(journal)), name_(std::move(name) + "."), hidden_(hidden) {}

    void setHidden(bool hidden) override {
        record(*journal_, name_ + "setHidden", hidden_ = hidden);
    }
    bool isHidden() const override { return hidden_; }
    void setMaxValue(double max) override { record(*journal_, name_ + "setMaxValue", max_ = max); }
    double maxValue() const override { return max_; }
    void setDoubleValue(double value) override {
        record(*journal_, name_ + "setDoubleValue", value_ = value);
    }
    double doubleValue() const override { return value_; }
    void incrementBy(double delta) override {
        value_ += delta;
        record(*journal_, name_ + "incrementBy", delta);
    }

private:
    std::shared_ptr<CallJournal> journal_;
    std::string name_;
    bool hidden_;
    double max_ = 100.0;
    double value_ = 0.0;
};

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

// Journals "workspace.open(<bundle id>)" and "workspace.show(<path>)".
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

// Every line in `lines`; routine ones in `routineLines` too.
class RecordingLog : public Log {
public:
    void log(const std::string& message) override { lines.push_back(message); }
    void logRoutine(const std::string& message) override {
        lines.push_back(message);
        routineLines.push_back(message);
    }
    std::vector<std::string> lines;
    std::vector<std::string> routineLines;
};

// Answers the range of the first occurrence of each given literal (give them in text order),
// and records each text it was asked about; `onDetect` runs at that moment (once per note,
// before the file is written).
class ScriptedLinkDetector : public LinkDetector {
public:
    std::vector<Range> matchesInString(const Text& text) const override {
        texts.push_back(text);
        if (onDetect) onDetect(text);
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
