#pragma once
// The location of a local file or directory: an absolute path and a flag that marks a directory.
// Building a URL never touches the disk.
//
//   FileURL folder = FileURL::fileURLWithPath("/tmp/x", true);
//   FileURL note = folder.URLByAppendingPathComponent(u"000_Pancakes")
//                      .URLByAppendingPathExtension(u"html");   // /tmp/x/000_Pancakes.html

#include <string>

#include "platform/text/text.h"

namespace quillmere {

class FileURL {
public:
    // `path` is absolute and UTF-8; trailing "/" are dropped (but "/" itself stays).
    static FileURL fileURLWithPath(std::string path, bool isDirectory);

    const std::string& path() const { return path_; }  // absolute, UTF-8
    bool isDirectory() const { return isDirectory_; }

    // The URL with `component` appended after one "/". The component is appended as given (a
    // lone surrogate is written as U+FFFD); it is not checked for "/" or "..": callers that take
    // names from outside make them safe first. The result is not marked as a directory.
    FileURL URLByAppendingPathComponent(const Text& component) const;
    // Appends "." and `extension` to the last component; an empty extension changes nothing.
    FileURL URLByAppendingPathExtension(const Text& extension) const;
    // The same location, marked (or not) as a directory.
    FileURL asDirectory(bool isDirectory) const;

    friend bool operator==(const FileURL&, const FileURL&) = default;

private:
    FileURL(std::string path, bool isDirectory);

    std::string path_;
    bool isDirectory_;
};

}  // namespace quillmere
