// The system's list of files to delete or rename when Windows next starts (the registry value
// PendingFileRenameOperations): pairs of NUL-terminated UTF-16 paths, source then destination,
// an empty destination meaning "delete". The installer marks a file it could not replace for
// deletion there; when a later run installs that file anew, the mark must go, or the new file
// would be deleted at the next start.
#pragma once

#include <string>
#include <string_view>

namespace setup {

// The list without the deletions of `path` (a full path, "C:\..."; compared without regard to
// case), as the system writes it ("\??\" before the path) or plain. Renames, other files and
// anything the list holds that is not a pair stay as they are; the list's closing NUL does not
// (whoever writes the list back adds it).
std::u16string WithoutPendingDeletion(std::u16string_view list, std::u16string_view path);

}  // namespace setup
