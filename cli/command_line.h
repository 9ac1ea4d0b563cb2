#pragma once
// The command line of quillmere-notes-import:
//
//   quillmere-notes-import [--library PATH] [--output DIR] [--heading | --no-heading]
//                          [--attachments | --no-attachments] [--skip-deleted] [--no-open]
//                          [--quiet] [--verbose]
//                          [--password-file FILE] [--backup-password-file FILE] [--ask-password]
//
// plus --help and --version. "--library=PATH", "--output=DIR", "--password-file=FILE" and
// "--backup-password-file=FILE" are accepted too.
//
//   auto parsed = command_line::parse({"--library", "Notes.json", "--no-open"});
//   if (auto* usageError = std::get_if<command_line::UsageError>(&parsed)) { ... exit 2 ... }

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quillmere::command_line {

struct Options {
    std::optional<std::string> libraryPath;   // --library
    std::optional<std::string> outputPath;    // --output: where the export folder is made
    std::optional<std::string> format;        // --format html|markdown; none: the stored value
    std::optional<bool> useHeading;           // --heading / --no-heading; none: the stored value
    std::optional<bool> copyAttachments;      // --attachments / --no-attachments; likewise
    bool open = true;                         // --no-open clears it
    bool skipDeleted = false;                 // --skip-deleted: leave out "Recently Deleted"
    bool quiet = false;                       // --quiet
    bool verbose = false;                     // --verbose: routine log lines on the terminal too
    std::optional<std::string> passwordFile;  // --password-file: passwords for locked notes
    // --backup-password-file: the first line is an encrypted backup's password
    std::optional<std::string> backupPasswordFile;
    bool askPassword = false;  // --ask-password: ask on the terminal
    bool help = false;         // --help: print the help and do nothing else
    bool version = false;      // --version: print the version and do nothing else
};

struct UsageError {
    std::string message;  // one line, without the program's name
};

// The options of `arguments` (without the program's name), or what is wrong with them.
std::variant<Options, UsageError> parse(const std::vector<std::string>& arguments);

// The synopsis, one line, without a newline.
std::string usage(const std::string& programName);
// The help: the synopsis, what the command does and every option.
std::string help(const std::string& programName);

}  // namespace quillmere::command_line
