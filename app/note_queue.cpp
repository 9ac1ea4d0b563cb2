// The notes the walk has listed but not yet written: read on the reader thread and built on the
// builder thread while the walk writes the ones before them, across folders.

#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <vector>

#include "app/note_queue.h"

#include "app/app_services.h"
#include "app/note_file.h"

namespace quillmere {

namespace {

// How many notes the other threads take at once, and how many may be listed ahead of the one
// being written: enough that a long note on one thread leaves the others work to do.
constexpr std::size_t kNotesInBatch = 8;
constexpr std::size_t kNotesAhead = 16 * kNotesInBatch;
// What the notes read ahead may hold, however large they are: past it, the reader leaves the
// next notes to be read in their turn, one at a time.
constexpr std::size_t kBytesAhead = std::size_t{32} << 20;

// How long progress steps may wait to be posted together: short enough for a smooth bar.
constexpr auto kProgressInterval = std::chrono::milliseconds(15);

// The note's name for a log line about it; empty when even that cannot be read.
Text nameForLog(const NotesNote& note) {
    try {
        return note.name();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

// The notes of one trip to the other threads. The threads meet once per batch, not once per
// note: on a busy machine every wait costs a trip through the scheduler, and a future per note
// a system call.
struct NoteQueue::Batch {
    std::vector<std::shared_ptr<NotesNote>> notes;
    std::vector<AppDelegate::NoteForExport> read;
    std::vector<AppDelegate::BuiltText> texts;
    std::vector<std::exception_ptr> failures;
    std::vector<Text> failedNames;   // of a note whose reading failed
    std::vector<char> inTurn;        // read in its turn: it may ask for a password, or memory
                                     // ahead is full
    std::vector<std::size_t> bytes;  // held until written
    std::vector<char> toRead;        // by the reader thread
    bool anyToRead = false;
    std::promise<void> built;
    std::shared_future<void> ready = built.get_future().share();
};

NoteQueue::NoteQueue(AppDelegate& delegate)
    : delegate_(delegate), unsent_(std::make_shared<Batch>()) {}

NoteQueue::~NoteQueue() = default;

NoteQueue::Scope::Scope(NoteQueue& queue) : queue_(queue) { ++queue_.depth_; }

NoteQueue::Scope::~Scope() {
    if (--queue_.depth_ > 0) return;
    try {
        queue_.writeAll();
    } catch (const std::exception&) {
        queue_.drop();  // memory ran out between notes: what is left is not written
    }
}

void NoteQueue::add(std::shared_ptr<NotesNote> note, std::uint64_t index,
                    std::shared_ptr<const PendingDirectory> directory,
                    note_file::ExportDirectories* directories) {
    Batch& batch = *unsent_;
    const std::size_t slot = batch.notes.size();
    entries_.push_back(Entry{nullptr, index, std::move(directory), directories, unsent_, slot});
    batch.notes.push_back(std::move(note));
    batch.read.emplace_back();
    batch.texts.emplace_back();
    batch.failures.emplace_back();
    batch.failedNames.emplace_back();
    batch.inTurn.push_back(0);
    batch.bytes.push_back(0);
    const std::shared_ptr<NotesNote>& listed = batch.notes.back();
    // A note whose reading has no effects (one in memory already) costs less to read here than
    // to hand over; the others go to the reader thread.
    const bool readHere = !listed || listed->readsWithoutEffects();
    batch.toRead.push_back(readHere ? 0 : 1);
    if (readHere) {
        read(delegate_, bytesAhead_, batch, slot);
    } else {
        batch.anyToRead = true;
    }
    ++notesListed_;
    if (batch.notes.size() >= kNotesInBatch) sendReads();
    if (notesListed_ >= kNotesAhead) writeOldest(kNotesInBatch);
}

void NoteQueue::read(AppDelegate& delegate, std::atomic<std::size_t>& bytesAhead, Batch& batch,
                     std::size_t i) {
    const std::shared_ptr<NotesNote>& note = batch.notes[i];
    try {
        if (note && (bytesAhead.load(std::memory_order_relaxed) > kBytesAhead ||
                     (!note->readsWithoutEffects() && !note->holdLinesWhileRead()))) {
            batch.inTurn[i] = 1;
            return;
        }
        batch.read[i] = delegate.readNoteForExport(note);
        // What it holds until written, roughly: its text, and the text built from it.
        batch.bytes[i] =
            2 * sizeof(char16_t) * (batch.read[i].body.size() + batch.read[i].name.size());
        bytesAhead.fetch_add(batch.bytes[i], std::memory_order_relaxed);
    } catch (...) {
        batch.failures[i] = std::current_exception();
        if (note) batch.failedNames[i] = nameForLog(*note);
    }
}

void NoteQueue::inTurn(std::function<void()> step) {
    if (entries_.empty()) {
        step();
    } else {
        Entry entry;
        entry.step = std::move(step);
        entries_.push_back(std::move(entry));
    }
}

void NoteQueue::writeAll() {
    writeOldest(notesListed_);
    postProgress();
}

void NoteQueue::sendReads() {
    if (unsent_->notes.empty()) return;
    auto build = [batch = unsent_] {
        for (std::size_t i = 0; i < batch->notes.size(); ++i) {
            if (batch->failures[i] || batch->inTurn[i]) continue;
            try {
                batch->texts[i] = AppDelegate::buildNoteText(batch->read[i]);
            } catch (...) {
                batch->failures[i] = std::current_exception();
                batch->failedNames[i] = batch->read[i].name;
            }
        }
        batch->built.set_value();
    };
    if (unsent_->anyToRead) {
        delegate_.noteReader().async([&delegate = delegate_, &bytesAhead = bytesAhead_,
                                      batch = unsent_, build = std::move(build)]() mutable {
            for (std::size_t i = 0; i < batch->notes.size(); ++i) {
                if (batch->toRead[i]) read(delegate, bytesAhead, *batch, i);
            }
            delegate.textBuilder().async(std::move(build));
        });
    } else {
        delegate_.textBuilder().async(std::move(build));
    }
    unsent_ = std::make_shared<Batch>();
}

void NoteQueue::writeOldest(std::size_t notes) {
    sendReads();
    while (!entries_.empty()) {
        if (entries_.front().step) {
            const std::function<void()> step = std::move(entries_.front().step);
            entries_.pop_front();
            step();
            continue;
        }
        if (notes == 0) return;
        if (AppDelegate::stopsForCancel(entries_.front().directories)) {
            drop();
            return;
        }
        const Entry note = std::move(entries_.front());
        entries_.pop_front();
        --notes;
        --notesListed_;
        if (!note.directory->made) {
            note.batch->ready.wait();  // its folder was left out, after an alert
            release(*note.batch, note.slot);
            continue;
        }
        write(note);
        countStep();
    }
}

void NoteQueue::write(const Entry& entry) {
    Batch& batch = *entry.batch;
    const std::size_t slot = entry.slot;
    batch.ready.wait();
    if (batch.inTurn[slot]) {
        writeInTurn(batch.notes[slot], entry);
    } else {
        if (batch.notes[slot]) batch.notes[slot]->logHeldLines();
        try {
            if (batch.failures[slot]) std::rethrow_exception(batch.failures[slot]);
            delegate_.writeNoteFile(batch.read[slot], batch.texts[slot], entry.index,
                                    entry.directory->url, entry.directories);
        } catch (const std::exception& failure) {
            AppDelegate::noteFailed(
                batch.failures[slot] ? batch.failedNames[slot] : batch.read[slot].name, failure,
                entry.directories);
        }
    }
    release(batch, slot);
}

void NoteQueue::release(Batch& batch, std::size_t slot) {
    // Now, not with its batch.
    bytesAhead_.fetch_sub(batch.bytes[slot], std::memory_order_relaxed);
    batch.bytes[slot] = 0;
    batch.read[slot] = AppDelegate::NoteForExport();
    batch.texts[slot] = AppDelegate::BuiltText();
}

void NoteQueue::writeInTurn(const std::shared_ptr<NotesNote>& note, const Entry& entry) {
    // Everything before it is written and the reader reads nothing else meanwhile; what its
    // reading logs (a password asked for) is held and logged before anything else is.
    std::optional<AppDelegate::NoteForExport> read;
    std::exception_ptr failure;
    Text name;
    delegate_.noteReader().sync([&] {
        note->holdLinesWhileRead();
        try {
            read = delegate_.readNoteForExport(note);
        } catch (...) {
            failure = std::current_exception();
            name = nameForLog(*note);
        }
        note->logHeldLines();
    });
    try {
        if (failure) std::rethrow_exception(failure);
        name = read->name;
        delegate_.writeNoteFile(*read, AppDelegate::buildNoteText(*read), entry.index,
                                entry.directory->url, entry.directories);
    } catch (const std::exception& failed) {
        AppDelegate::noteFailed(name, failed, entry.directories);
    }
}

void NoteQueue::drop() {
    // Notes listed but not yet written when the user cancels are left out, with the steps
    // between them: the run stops after the note it is writing. What the other threads do for
    // them is waited for, so that nothing of the run outlives it.
    sendReads();
    for (const Entry& entry : entries_) {
        if (entry.step) continue;
        entry.batch->ready.wait();
        release(*entry.batch, entry.slot);
    }
    entries_.clear();
    notesListed_ = 0;
    postProgress();
}

void NoteQueue::countStep() {
    ++unpostedSteps_;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPost_ >= kProgressInterval) {
        postProgress();
        lastPost_ = now;
    }
}

void NoteQueue::postProgress() {
    if (unpostedSteps_ == 0) return;
    delegate_.postProgressSteps(unpostedSteps_);
    unpostedSteps_ = 0;
}

}  // namespace quillmere
