#include "cli/command_line.h"

#include <string_view>

namespace quillmere::command_line {

namespace {

// The option that takes a path that `argument` is ("--library" or "--library=..."), or null.
const char* pathOption(const std::string& argument) {
    for (const char* name : {"--library", "--output", "--backup-password-file"}) {
        const std::string_view option(name);
        if (argument == option ||
            (argument.starts_with(option) && argument.size() > option.size() &&
             argument[option.size()] == '=')) {
            return name;
        }
    }
    return nullptr;
}

}  // namespace

std::variant<Options, UsageError> parse(const std::vector<std::string>& arguments) {
    Options options;
    bool headingGiven = false;
    bool attachmentsGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const char* name = pathOption(argument)) {
            std::optional<std::string>& value =
                std::string_view(name) == "--library"  ? options.libraryPath
                : std::string_view(name) == "--output" ? options.outputPath
                                                       : options.backupPasswordFile;
            if (value) return UsageError{std::string(name) + " is given more than once"};
            std::string path;
            if (argument == name) {
                if (i + 1 == arguments.size())
                    return UsageError{std::string(name) + " needs a path"};
                path = arguments[++i];
            } else {
                path = argument.substr(std::string_view(name).size() + 1);
            }
            if (path.empty()) return UsageError{std::string(name) + " needs a path"};
            value = path;
        } else if (argument == "--heading" || argument == "--no-heading") {
            bool wanted = argument == "--heading";
            if (headingGiven && options.useHeading != wanted) {
                return UsageError{"--heading and --no-heading exclude each other"};
            }
            headingGiven = true;
            options.useHeading = wanted;
        } else if (argument == "--format" || argument.starts_with("--format=")) {
            if (options.format) return UsageError{"--format is given more than once"};
            std::string format;
            if (argument == "--format") {
                if (i + 1 == arguments.size()) return UsageError{"--format needs html or markdown"};
                format = arguments[++i];
            } else {
                format = argument.substr(std::string("--format=").size());
            }
            if (format != "html" && format != "markdown") {
                return UsageError{"--format needs html or markdown, not \"" + format + "\""};
            }
            options.format = format;
        } else if (argument == "--attachments" || argument == "--no-attachments") {
            const bool wanted = argument == "--attachments";
            if (attachmentsGiven && options.copyAttachments != wanted) {
                return UsageError{"--attachments and --no-attachments exclude each other"};
            }
            attachmentsGiven = true;
            options.copyAttachments = wanted;
        } else if (argument == "--no-open") {
            options.open = false;
        } else if (argument == "--password-file" || argument.starts_with("--password-file=")) {
            if (options.passwordFile) return UsageError{"--password-file is given more than once"};
            std::string path;
            if (argument == "--password-file") {
                if (i + 1 == arguments.size()) return UsageError{"--password-file needs a file"};
                path = arguments[++i];
            } else {
                path = argument.substr(std::string("--password-file=").size());
            }
            if (path.empty()) return UsageError{"--password-file needs a file"};
            options.passwordFile = path;
        } else if (argument == "--ask-password") {
            options.askPassword = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--skip-deleted") {
            options.skipDeleted = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument.starts_with("-") && argument != "-") {
            return UsageError{"unknown option " + argument};
        } else {
            return UsageError{"unexpected argument " + argument};
        }
    }
    return options;
}

std::string usage(const std::string& programName) {
    return "usage: " + programName +
           " [--library PATH] [--output DIR] [--format html|markdown] [--heading | --no-heading]"
           " [--attachments | --no-attachments] [--skip-deleted] [--no-open] [--quiet]"
           " [--verbose] [--password-file FILE]"
           " [--backup-password-file FILE] [--ask-password]";
}

std::string help(const std::string& programName) {
    return usage(programName) + "\n" +
           "\n"
           "Copies every note of a Notes library into a new folder \"Imported from Notes\" of\n"
           "HTML and plain-text files (or Markdown files), offers the folder to Quillmere and\n"
           "prints its path as the last line of standard output. A summary line on standard\n"
           "error says how many notes were written, skipped, locked, unreadable or not written,\n"
           "and where they are. Ctrl+C stops the run after the note it is on; the summary then\n"
           "says so.\n"
           "\n"
           "  --library PATH  the Notes library to read: the group.com.apple.notes folder copied\n"
           "                  from a Mac, the NoteStore.sqlite in it, an iPhone or iPad backup\n"
           "                  folder, or a Notes library file\n"
           "                  (default: the one chosen in the window)\n"
           "  --output DIR    make the export folder in DIR, for this run (default: the folder\n"
           "                  chosen in the window, else a private temporary folder); a folder\n"
           "                  of that name already there is kept, the new one is numbered\n"
           "  --format FORMAT html (HTML and plain-text files) or markdown (Markdown files with\n"
           "                  YAML front matter), for this run (default: the one chosen in\n"
           "                  the window, else html)\n"
           "  --heading       make the first paragraph of every note a heading, for this run\n"
           "  --no-heading    keep the first paragraph as it is, for this run\n"
           "  --attachments   copy each note's attachment files into \"Attachments\" beside it,\n"
           "                  for this run (from a Notes database)\n"
           "  --no-attachments\n"
           "                  refer to attachments by name only, for this run\n"
           "  --skip-deleted  leave out the notes in \"Recently Deleted\", for this run\n"
           "  --no-open       do not hand the folder to Quillmere or the file manager\n"
           "  --quiet         show no progress bar\n"
           "  --password-file FILE\n"
           "                  try the passwords in FILE, one a line, on notes locked with a\n"
           "                  password in Apple's Notes database\n"
           "  --backup-password-file FILE\n"
           "                  the password of an encrypted iPhone or iPad backup: the first\n"
           "                  line of FILE\n"
           "  --ask-password  ask on the terminal for the password of a locked note that the\n"
           "                  passwords given do not open, once for each hint, and for an\n"
           "                  encrypted backup's password when no file gives it\n"
           "  --verbose       also show routine log lines (they go to the system log anyway)\n"
           "  --help          show this help\n"
           "  --version       show the version\n"
           "\n"
           "Exit status:\n"
           "  0  every note was handled (written, or skipped as empty or locked)\n"
           "  1  an alert stopped the run before it began (no notes found, a folder refused)\n"
           "  2  a usage error\n"
           "  3  the run ended, but at least one note could not be read or written\n"
           "A run stopped with Ctrl+C ends by that signal.\n";
}

}  // namespace quillmere::command_line
