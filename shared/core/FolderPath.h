// Folder paths: every folder the programs hold ends in exactly one backslash.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace pellucor {

// Appends "\" unless the path already ends with one (a drive root such as "C:\" keeps its own).
// File names compare without regard to case, as Windows compares them (ASCII letters).
inline bool SameFileName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

inline std::string WithTrailingBackslash(std::string path) {
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return path;
}

// The text before the first NUL: what a C string API wrote into a fixed buffer.
inline std::string UpToFirstNul(const char* buffer, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && buffer[n] != '\0') {
        ++n;
    }
    return std::string(buffer, n);
}

// The folder part of a full file name, as the runtime reports a program's folder: without a
// trailing backslash except for a drive root ("C:\").
inline std::string FolderOfFile(const std::string& fullPath) {
    const auto cut = fullPath.find_last_of("\\/");
    if (cut == std::string::npos) {
        return {};
    }
    if (cut == 2 && fullPath.size() > 1 && fullPath[1] == ':') {
        return fullPath.substr(0, 3);
    }
    return fullPath.substr(0, cut);
}

}  // namespace pellucor
