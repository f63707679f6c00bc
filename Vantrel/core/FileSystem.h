// The file operations Qel needs, with errors that carry the system's description text. Paths
// are UTF-8, whatever the system's code page; the texts in windows and in files are ANSI, and
// cross over only through PathFromText and TextFromPath.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

struct FileError {
    // Access errors (a folder that cannot be written) make the page builder try its next
    // folder. Busy is a file that another program holds for a moment (a virus scanner, the
    // search indexer, a viewer): it is tried again later in the same place, never elsewhere.
    // The other kinds are reported as they are.
    enum class Kind { Access, Busy, NotFound, PathNotFound, EndOfFile, Other };
    Kind kind = Kind::Other;
    std::string description;
};

// Only a file that is not there counts as absent. Any other failure to open one (a folder that
// cannot be listed, a network share that is not up, a file held for good) says nothing of what
// it holds: such a file is unread, never taken for missing and so never written over.
inline bool IsAbsent(const FileError& error) {
    return error.kind == FileError::Kind::NotFound || error.kind == FileError::Kind::PathNotFound;
}

// A file opened for writing text; each write is checked so a failure names its step. What is
// written becomes the file's content only when Close succeeds: until then, and for good when
// a write or the close fails or the file is dropped unclosed, the file keeps its old content
// (or stays absent). A full disk or a failed save never leaves an emptied or half-written file.
// Close waits a moment (about 100 ms) for a file that is busy before it reports it so.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual std::optional<FileError> Write(const std::string& bytes) = 0;
    virtual std::optional<FileError> Close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Starts a new content for the file; an existing file is replaced when it is closed.
    virtual std::unique_ptr<OutputFile> OpenForOutput(const std::string& path,
                                                      FileError& error) = 0;
    // Renames a file, replacing any file of the new name.
    virtual std::optional<FileError> Rename(const std::string& from, const std::string& to) = 0;
    // The whole file, byte for byte; nullopt with the error set when it cannot be read.
    virtual std::optional<std::string> ReadAll(const std::string& path, FileError& error) = 0;
    // ReadAll, tried again while the file is busy, for up to about patienceMs in all.
    std::optional<std::string> ReadAllPatiently(const std::string& path, FileError& error,
                                                std::uint32_t patienceMs);
    // The names (without folder) of the ordinary files matching a pattern such as
    // "C:\Qel\*.uci", in the order the directory listing gives them. Folders, hidden and
    // system files are left out; a folder that cannot be listed gives no names.
    virtual std::vector<std::string> ListFiles(const std::string& pattern) = 0;
    // True for any file (hidden and system files too), false for folders and bad names.
    virtual bool FileExists(const std::string& path) = 0;
    // The folder a shell folder number (CSIDL) stands for, ending in "\"; "" when unknown.
    virtual std::string SpecialFolderPath(int csidl) = 0;
    // A name from a window or a file's ANSI text (a page file name, a profile name) as a part of
    // a path. Kept as it is here: a file system whose paths use the texts' own code page.
    virtual std::string PathFromText(const std::string& text) { return text; }
    // A path or a listed name as ANSI text, for a window or a file; a letter the code page
    // lacks shows as the system shows it.
    virtual std::string TextFromPath(const std::string& path) { return path; }
    // Lets the time go by before a busy file is tried again.
    virtual void Pause(std::uint32_t milliseconds) = 0;
};

}  // namespace qel
