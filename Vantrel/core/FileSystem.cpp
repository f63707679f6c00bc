// Reading a file that another program may hold for a moment.
#include "FileSystem.h"

namespace qel {

namespace {
// Short enough that a file let go is read soon after, long enough not to spin.
constexpr std::uint32_t kBusyRetryMs = 50;
}  // namespace

std::optional<std::string> FileSystem::ReadAllPatiently(const std::string& path, FileError& error,
                                                        std::uint32_t patienceMs) {
    for (std::uint32_t waited = 0;; waited += kBusyRetryMs) {
        std::optional<std::string> bytes = ReadAll(path, error);
        if (bytes || error.kind != FileError::Kind::Busy || waited >= patienceMs) {
            return bytes;
        }
        Pause(kBusyRetryMs);
    }
}

}  // namespace qel
