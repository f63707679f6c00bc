// Where the status history lives on Windows: "Qel.log" in the "Pellucor" folder of the user's
// application-data folder (the shell folder the page is written to), and the local clock with
// its distance from UTC.
#pragma once

#include <optional>
#include <string>

#include "StatusHistory.h"

namespace qel {

class Win32HistoryFile final : public HistoryFile {
public:
    static constexpr const char* kFolderName = "Pellucor";
    static constexpr const char* kFileName = "Qel.log";
    static constexpr const char* kOlderFileName = "Qel.log.1";

    // The history's folder, ending in "\"; "" when the shell gives no application-data folder.
    static std::string Folder();

    std::optional<std::uint64_t> Size() override;
    bool Append(const std::string& bytes) override;
    bool MoveToOlder() override;
    bool KeepNewestHalf() override;
};

class Win32HistoryClock final : public HistoryClock {
public:
    LocalTime Now() override;
    std::uint64_t Milliseconds() override;
};

}  // namespace qel
