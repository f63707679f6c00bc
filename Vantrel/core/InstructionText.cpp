// What the instructions window shows.
#include "InstructionText.h"

namespace qel {

std::string InstructionFileText(FileSystem& files, const std::string& programFolder) {
    const std::string path = programFolder + kInstructionFileName;
    if (!files.FileExists(path)) {
        return kInstructionFileMissing;
    }
    FileError error;
    if (auto bytes = files.ReadAll(path, error)) {
        return std::move(*bytes);
    }
    return kInstructionFileUnreadable + error.description;
}

std::string CutSection(const std::string& text, const std::string& startMarker,
                       const std::string& endMarker) {
    std::string section = text;
    if (!startMarker.empty()) {
        if (const auto start = section.find(startMarker); start != std::string::npos) {
            section.erase(0, start);
        }
    }
    if (!endMarker.empty()) {
        if (const auto end = section.find(endMarker); end != std::string::npos) {
            section.erase(end);
        }
    }
    return section;
}

}  // namespace qel
