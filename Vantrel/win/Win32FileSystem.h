// The file operations Qel needs, on the Windows file API: byte-exact writes and reads, and
// errors sorted into the kinds the page builder acts on.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "FileSystem.h"

namespace qel {

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<OutputFile> OpenForOutput(const std::string& path, FileError& error) override;
    std::optional<std::string> ReadAll(const std::string& path, FileError& error) override;
    std::vector<std::string> ListFiles(const std::string& pattern) override;
    bool FileExists(const std::string& path) override;
    std::string SpecialFolderPath(int csidl) override;
};

}  // namespace qel
