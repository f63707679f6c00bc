// The file operations Qel needs, on the Windows file API: byte-exact writes that replace a file
// only once the whole new content is on disk, reads, and errors sorted into the kinds the page
// builder acts on. Paths reach the system through its wide calls; names from texts are
// converted from the system's ANSI code page.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "FileSystem.h"

namespace qel {

class Win32FileSystem : public FileSystem {
public:
    // The new content goes to "<path>.tmp" in the same folder, which replaces the file on Close
    // and is deleted when the file is dropped unclosed.
    std::unique_ptr<OutputFile> OpenForOutput(const std::string& path, FileError& error) override;
    std::optional<FileError> Rename(const std::string& from, const std::string& to) override;
    std::optional<std::string> ReadAll(const std::string& path, FileError& error) override;
    std::vector<std::string> ListFiles(const std::string& pattern) override;
    bool FileExists(const std::string& path) override;
    std::string SpecialFolderPath(int csidl) override;
    std::string PathFromText(const std::string& text) override;
    std::string TextFromPath(const std::string& path) override;
    void Pause(std::uint32_t milliseconds) override;
};

}  // namespace qel
