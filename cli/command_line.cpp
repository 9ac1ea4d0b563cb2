#include "cli/command_line.h"

namespace quillmere::command_line {

std::variant<Options, UsageError> parse(const std::vector<std::string>& arguments) {
    Options options;
    bool headingGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--library" || argument.starts_with("--library=")) {
            if (options.libraryPath) return UsageError{"--library is given more than once"};
            std::string path;
            if (argument == "--library") {
                if (i + 1 == arguments.size()) return UsageError{"--library needs a path"};
                path = arguments[++i];
            } else {
                path = argument.substr(std::string("--library=").size());
            }
            if (path.empty()) return UsageError{"--library needs a path"};
            options.libraryPath = path;
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
           " [--library PATH] [--format html|markdown] [--heading | --no-heading] [--no-open]"
           " [--quiet]"
           " [--password-file FILE] [--ask-password]";
}

std::string help(const std::string& programName) {
    return usage(programName) + "\n" +
           "\n"
           "Copies every note of a Notes library into a new folder \"Imported from Notes\" of\n"
           "HTML and plain-text files (or Markdown files), offers the folder to Quillmere and\n"
           "prints its path as the last line of standard output.\n"
           "\n"
           "  --library PATH  the Notes library file, or Apple's Notes database (NoteStore.sqlite\n"
           "                  or a folder holding it), to read (default: the one chosen in\n"
           "                  the window)\n"
           "  --format FORMAT html (HTML and plain-text files) or markdown (Markdown files with\n"
           "                  YAML front matter), for this run (default: the one chosen in\n"
           "                  the window, else html)\n"
           "  --heading       make the first paragraph of every note a heading, for this run\n"
           "  --no-heading    keep the first paragraph as it is, for this run\n"
           "  --no-open       do not hand the folder to Quillmere or the file manager\n"
           "  --quiet         show no progress bar\n"
           "  --password-file FILE\n"
           "                  try the passwords in FILE, one a line, on notes locked with a\n"
           "                  password in Apple's Notes database\n"
           "  --ask-password  ask on the terminal for the password of a locked note that the\n"
           "                  passwords given do not open, once for each hint\n"
           "  --help          show this help\n"
           "  --version       show the version\n"
           "\n"
           "Exit status: 0 when the import ran to its end, 1 when an alert stopped it, 2 for a\n"
           "usage error.\n";
}

}  // namespace quillmere::command_line
