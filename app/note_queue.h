#pragma once
// The notes a walk has listed but not yet written, in order, with the steps between them that
// must keep their place (a folder's log line). While the walk writes one note, the next few are
// read on a reader thread and their texts built on a builder thread, across folders; every
// effect a user can see (files, log lines, counts, progress) still comes in list order.
//
//   NoteQueue::Scope scope(queue);         // nested scopes: the outermost writes what is left
//   auto folder = std::make_shared<PendingDirectory>(PendingDirectory{parentURL, false});
//   queue.inTurn([folder] { folder->url = ...; folder->made = makeIt(folder->url); });
//   queue.add(note, index, folder, &directories);

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "app/app_delegate.h"
#include "platform/files/file_url.h"

namespace quillmere {

// A directory of the export as a step of the queue makes it: known once its turn has come. The
// notes listed for one that was not made are left out.
struct PendingDirectory {
    FileURL url;
    bool made = false;
};

class NoteQueue {
public:
    // Writes through the delegate's note export; used by the walk's thread alone.
    explicit NoteQueue(AppDelegate& delegate);
    ~NoteQueue();
    NoteQueue(const NoteQueue&) = delete;
    NoteQueue& operator=(const NoteQueue&) = delete;

    // While a scope is open, listed notes may wait; when the outermost closes, everything
    // listed is written.
    class Scope {
    public:
        explicit Scope(NoteQueue& queue);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        NoteQueue& queue_;
    };

    // Lists the note at `index` of its folder's list, to be written into `directory`.
    void add(std::shared_ptr<NotesNote> note, std::uint64_t index,
             std::shared_ptr<const PendingDirectory> directory,
             note_file::ExportDirectories* directories);
    // Runs `step` once the notes listed so far are written: at once when none waits.
    void inTurn(std::function<void()> step);
    // Writes every note listed and runs the steps between them.
    void writeAll();

private:
    struct Batch;
    // A listed note, or (with `step`) a step between notes.
    struct Entry {
        std::function<void()> step;
        std::uint64_t index = 0;
        std::shared_ptr<const PendingDirectory> directory;
        note_file::ExportDirectories* directories = nullptr;
        std::shared_ptr<Batch> batch;
        std::size_t slot = 0;
    };

    void sendReads();
    // Reads the note in `slot` of `batch`, or marks it to be read in its turn.
    static void read(AppDelegate& delegate, std::atomic<std::size_t>& bytesAhead, Batch& batch,
                     std::size_t slot);
    void writeOldest(std::size_t notes);
    void write(const Entry& listed);
    void writeInTurn(const std::shared_ptr<NotesNote>& note, const Entry& listed);
    void drop();
    // Lets go of what the note in `slot` of `batch` was read and built into.
    void release(Batch& batch, std::size_t slot);
    void countStep();
    void postProgress();

    AppDelegate& delegate_;
    std::deque<Entry> entries_;
    std::size_t notesListed_ = 0;  // the entries that are notes
    // What the notes read and not yet written hold, roughly; the reader reads no further ahead
    // while it is over the limit.
    std::atomic<std::size_t> bytesAhead_{0};
    std::shared_ptr<Batch> unsent_;
    int depth_ = 0;
    std::uint64_t unpostedSteps_ = 0;
    std::chrono::steady_clock::time_point lastPost_ = std::chrono::steady_clock::now();
};

}  // namespace quillmere
