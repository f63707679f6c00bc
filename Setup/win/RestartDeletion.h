// Files the installer cannot remove now, deleted when Windows next starts (by path: that
// happens at boot, before anyone logs on and could hold them again), and the mark taken back
// when a later run puts a new file under that name, which must not be deleted then.
#pragma once

#include <string>

namespace setup {

// False with the system's error.
bool MarkForDeletionAtRestart(const std::string& path);
// True when no deletion of `path` is left waiting; false with the system's error.
bool CancelDeletionAtRestart(const std::string& path);

}  // namespace setup
