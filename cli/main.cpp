// quillmere-notes-import: the importer without a window, for terminals and scripts.

#include <signal.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "cli/command_line.h"
#include "cli/import_command.h"
#include "platform/files/file_io.h"
#include "platform/files/signal_removed_folder.h"
#include "platform/process/memory_reuse.h"

namespace {
constexpr const char* kProgramName = "quillmere-notes-import";

// A polite kill, an abort or a second Ctrl-C: no half-written temporary file and no private
// copy of a database stays behind, and the process still ends by the signal, as the shell
// expects.
void stopNow(int signal) {
    quillmere::removeTemporaryFilesForSignal();
    quillmere::removeTemporaryFoldersForSignal();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The first Ctrl-C during a run stops it after the note it is on, with its summary; the next
// one does not wait.
void cancelOnInterrupt(int signal) {
    if (quillmere::cancelRunningImport()) {
        ::signal(SIGINT, stopNow);
        return;
    }
    stopNow(signal);
}
}  // namespace

int main(int argc, char** argv) {
    quillmere::memory_reuse::keepFreedMemoryForReuse();
    // A closed standard output must show up as a failed write, not end the program mid-run.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGINT, cancelOnInterrupt);
    ::signal(SIGTERM, stopNow);
    ::signal(SIGABRT, stopNow);

    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto parsed = quillmere::command_line::parse(arguments);
    if (auto* error = std::get_if<quillmere::command_line::UsageError>(&parsed)) {
        std::fprintf(stderr, "%s: %s\n%s\n", kProgramName, error->message.c_str(),
                     quillmere::command_line::usage(kProgramName).c_str());
        return quillmere::kExitUsage;
    }
    const auto& options = std::get<quillmere::command_line::Options>(parsed);
    if (options.help) {
        std::fputs(quillmere::command_line::help(kProgramName).c_str(), stdout);
        return quillmere::kExitDone;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgramName, QUILLMERE_VERSION);
        return quillmere::kExitDone;
    }
    const int status = quillmere::runImportCommand(options);
    if (status == quillmere::kExitCancelled) {
        // Cancelled by Ctrl-C: end by it, as the shell expects of an interrupted command.
        std::fflush(stdout);
        std::fflush(stderr);
        stopNow(SIGINT);
    }
    return status;
}
