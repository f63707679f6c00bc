// The uninstaller's texts: its messages and titles, what its progress window shows at each step,
// and the lines it writes to its trace file.
#pragma once

#include <string>

namespace removal {

constexpr const char* kWarningText =
    "This program will uninstall Pellucor. Gone! No more Pellucor. Are you sure you want to "
    "continue?";
constexpr const char* kWarningTitle = "*** WARNING ***";
constexpr const char* kAbortedText = "Uninstall aborted.";
constexpr const char* kAbortedTitle = "Alert";
constexpr const char* kCompleteText = "Uninstall of Qel is complete.";
constexpr const char* kCompleteTitle = "Finished.";

// The trace file: one line per step, appended, never emptied.
constexpr const char* kTraceFile = "C:\\gcur.txt";

// Steps: the trace line and the progress window's text.
struct Step {
    const char* trace;
    const char* shown;
};
constexpr Step kKillingLinks{"Killing links", "Killing links."};
constexpr Step kMapping{"Mapping directories", "Mapping directories."};
constexpr const char* kDoneMapping = "Done mapping";
constexpr Step kEmptying{"Emptying app directory", "Emptying app directory."};
constexpr const char* kChangingDirectory = "Changing directory";
constexpr Step kKillingDirectory{"Killing directory", "Killing app directory."};
constexpr const char* kUnloading = "Unloading wait form";

inline std::string UnlockingLine(const std::string& path) {
    return "Unlocking " + path;
}
inline std::string KillingLine(const std::string& path) {
    return "Killing " + path;
}
// The install folder is a junction or symbolic link: only the link itself is removed.
inline std::string LinkLine(const std::string& folder) {
    return "Not entering " + folder + ": it is a link; removing the link only";
}
// A file that lies elsewhere (reached through a link), is no plain file or cannot be checked
// stays.
inline std::string NotDeletingLine(const std::string& path, const std::string& why) {
    return "Not deleting " + path + ": " + why;
}
// The search of the drive could not finish; the removal goes on.
inline std::string SearchStoppedLine(const std::string& reason, unsigned long long folders) {
    return "Search stopped after " + std::to_string(folders) + " folders: " + reason;
}

// Exit codes of RemoveQel.
constexpr int kExitRemoved = 0;
constexpr int kExitAborted = 1;
constexpr int kExitCannotRun = 2;  // the system lacks what keeps planted DLLs out

}  // namespace removal
