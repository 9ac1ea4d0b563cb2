// The run's report: its summary line, and what a run counts into it, cancelled or not.

#include "app/run_report.h"

#include <gtest/gtest.h>

#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

TEST(RunReport, SummaryNamesEveryCountAndTheFolder) {
    const struct {
        const char* name;
        std::function<void(RunReport&)> fill;
        std::string summary;
    } rows[] = {
        {"nothing", [](RunReport&) {},
         "Import finished: 0 notes written, 0 skipped (empty), 0 locked, 0 not readable, 0 not "
         "written; 0 attachments copied, 0 missing. Folder: /out"},
        {"one_of_each",
         [](RunReport& r) {
             r.countNoteWritten();
             r.countNoteSkippedEmpty();
             r.countLockedNoteNotOpened();
             r.countNoteNotReadable();
             r.countNoteNotWritten();
             r.countAttachmentCopied();
             r.countAttachmentMissing();
         },
         "Import finished: 1 note written, 1 skipped (empty), 1 locked (0 opened), 1 not "
         "readable, 1 not written; 1 attachment copied, 1 missing. Folder: /out"},
        {"opened_locked_notes_are_written_too",
         [](RunReport& r) {
             for (int i = 0; i < 2; ++i) {
                 r.countNoteWritten();
                 r.countLockedNoteOpened();
             }
             r.countLockedNoteNotOpened();
         },
         "Import finished: 2 notes written, 0 skipped (empty), 3 locked (2 opened), 0 not "
         "readable, 0 not written; 0 attachments copied, 0 missing. Folder: /out"},
        {"cancelled_says_how_far",
         [](RunReport& r) {
             r.countNoteWritten();
             r.countNoteSkippedEmpty();
             r.countLockedNoteOpened();  // within the written note: not handled twice
             r.markCancelled();
         },
         "Import cancelled after 2 of 7 notes: 1 note written, 1 skipped (empty), 1 locked (1 "
         "opened), 0 not readable, 0 not written; 0 attachments copied, 0 missing. Folder: /out"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RunReport report;
        report.setExportFolder("/out");
        report.setPlannedNotes(7);
        row.fill(report);
        EXPECT_EQ(report.summary(), row.summary);
    }
}

TEST(RunReport, OnlyUnreadableOrUnwrittenNotesMeanSomethingWasLost) {
    const struct {
        const char* name;
        void (RunReport::*count)();
        bool everyNoteHandled;
    } rows[] = {
        {"written", &RunReport::countNoteWritten, true},
        {"empty", &RunReport::countNoteSkippedEmpty, true},
        {"locked", &RunReport::countLockedNoteNotOpened, true},
        {"missing_attachment", &RunReport::countAttachmentMissing, true},
        {"not_readable", &RunReport::countNoteNotReadable, false},
        {"not_written", &RunReport::countNoteNotWritten, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RunReport report;
        (report.*row.count)();
        EXPECT_EQ(report.everyNoteHandled(), row.everyNoteHandled);
    }
}

// Asks the run to stop when the walk logs its first line.
class CancellingLog : public RecordingLog {
public:
    void log(const std::string& message) override {
        RecordingLog::log(message);
        if (report) report->requestCancel();
    }
    std::shared_ptr<RunReport> report;
};

class RunReportTest : public AppDelegateTest {
protected:
    RunReportTest() {
        installAppServices(AppServices{mainQueue, globalQueue, defaults, alerts, workspace,
                                       cancellingLog, linkDetector, lookup});
    }
    std::shared_ptr<CancellingLog> cancellingLog = std::make_shared<CancellingLog>();
};

TEST_F(RunReportTest, ARunCountsItsNotesAndFinishesTheReportBeforeTheHandOver) {
    lookup->application = makeApplication(
        {makeAccount(u"acc", u"A",
                     {folder(u"f1", u"One", {makeNote(u"Full", u"x"), makeNote(u"", u"")}),
                      folder(u"f2", u"Two", {makeNote(u"Also", u"y")})})});
    std::shared_ptr<RunReport> report = delegate->beginImport();
    ASSERT_NE(report, nullptr);
    std::size_t journalAtFinish = 0;
    report->setFinishedHandler([&](const RunReport&) { journalAtFinish = journal->size(); });
    globalQueue->runAll();
    mainQueue->runAll();

    EXPECT_TRUE(report->finished());
    EXPECT_EQ(report->notesWritten(), 2u);
    EXPECT_EQ(report->notesSkippedEmpty(), 1u);
    EXPECT_EQ(report->notesHandled(), report->plannedNotes());
    EXPECT_FALSE(report->cancelled());
    EXPECT_EQ(report->exportFolder(), exportFolder().string());
    EXPECT_EQ(journal->at(journalAtFinish), "workspace.open(com.quillmereapp.mac)");
}

// A note that stays locked is written with its title alone and counted once, as locked; an opened
// one is written and counted as opened too. Neither means a note was lost.
TEST_F(RunReportTest, LockedNotesAreCountedOnceWhetherOpenedOrNot) {
    auto locked = [](const char16_t* title, const char16_t* body, LockState lock) {
        auto note = makeNote(title, body);
        note->lock = lock;
        return note;
    };
    lookup->application = makeApplication({makeAccount(
        u"acc", u"A",
        {folder(u"f1", u"One",
                {locked(u"Secret", u"", LockState::locked), locked(u"", u"", LockState::locked),
                 locked(u"Opened", u"<div>body</div>", LockState::opened),
                 makeNote(u"Plain", u"x")})})});
    std::shared_ptr<RunReport> report = delegate->beginImport();
    ASSERT_NE(report, nullptr);
    globalQueue->runAll();
    mainQueue->runAll();

    EXPECT_EQ(report->notesWritten(), 2u);
    EXPECT_EQ(report->lockedNotesNotOpened(), 2u);
    EXPECT_EQ(report->lockedNotesOpened(), 1u);
    EXPECT_EQ(report->notesSkippedEmpty(), 0u);
    EXPECT_EQ(report->notesHandled(), report->plannedNotes());
    EXPECT_TRUE(report->everyNoteHandled());
    EXPECT_NE(readFile(exportFolder() / "One/000_Secret.html").find(">Secret</"),
              std::string::npos);
}

TEST_F(RunReportTest, ACancelledRunStopsAfterTheNoteItIsOnAndHandsNothingOver) {
    // The empty note's log line cancels the run: the note after it and the second folder stay out.
    lookup->application = makeApplication({makeAccount(
        u"acc", u"A",
        {folder(u"f1", u"One",
                {makeNote(u"First", u"x"), makeNote(u"", u""), makeNote(u"Third", u"z")}),
         folder(u"f2", u"Two", {makeNote(u"Other", u"y")})})});
    std::shared_ptr<RunReport> report = delegate->beginImport();
    ASSERT_NE(report, nullptr);
    cancellingLog->report = report;
    globalQueue->runAll();
    mainQueue->runAll();

    EXPECT_TRUE(report->cancelled());
    EXPECT_TRUE(report->finished());
    EXPECT_EQ(report->notesHandled(), 2u);
    EXPECT_TRUE(fs::exists(exportFolder() / "One/000_First.html"));
    EXPECT_FALSE(fs::exists(exportFolder() / "One/002_Third.html"));
    EXPECT_FALSE(fs::exists(exportFolder() / "Two"));
    EXPECT_EQ(count("workspace.open(com.quillmereapp.mac)"), 0u);
    EXPECT_EQ(journal->back(), "button.setHidden(false)");
}

}  // namespace
}  // namespace quillmere::test
