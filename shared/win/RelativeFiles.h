// Files and folders reached through the handle of a folder held open, never by path: a name is
// looked up inside the very folder the handle holds, whatever was renamed, linked or swapped on
// the way to it since, and it is taken exactly as written (the path rules that drop a trailing
// dot or blank, so that "Leq.ini " would name "Leq.ini", do not apply). For the two programs
// that run with administrator rights. Names are UTF-8 (PathText.h); a name is one entry, never
// a path.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "OwnedHandle.h"

namespace pellucor {

enum class Disposition {
    OpenExisting,
    NewFile,    // fails when anything of that name exists
    NewFolder,  // likewise
};

// Opens or creates `name` inside the folder `folder` holds; an existing link is opened itself,
// never followed (where the system can tell). `access` as for CreateFileW; a handle that reads,
// writes or lists does so synchronously. Empty with the system's error (GetLastError).
OwnedHandle OpenIn(HANDLE folder, const std::string& name, DWORD access,
                   Disposition disposition = Disposition::OpenExisting,
                   DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE);

// Moves the open file or folder to `name` inside the folder `folder` holds (on the same
// volume); `replace` lets it take the place of an existing file. The handle needs DELETE. False
// with the system's error.
bool RenameInto(HANDLE file, HANDLE folder, const std::string& name, bool replace);

struct ListedEntry {
    std::string name;
    DWORD attributes;  // FILE_ATTRIBUTE_*
};

// Reads the entries of the folder behind a handle (which needs FILE_LIST_DIRECTORY) through
// it, a batch at a time, from the first ("." and ".." left out).
class FolderReader {
public:
    explicit FolderReader(HANDLE folder) : folder_(folder) {}
    // The next entry; false at the end or on a failure (Error() then says which).
    bool Next(ListedEntry& entry);
    DWORD Error() const { return error_; }

private:
    HANDLE folder_;
    std::vector<LONGLONG> buffer_ = std::vector<LONGLONG>(8192);  // aligned for the records
    std::size_t next_ = 0;  // byte offset of the next record in the buffer
    bool batch_ = false;    // the buffer holds records not yet read
    bool restart_ = true;
    bool done_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

// Every entry of the folder behind the handle, read through it. False with the system's
// error.
bool ListThrough(HANDLE folder, std::vector<ListedEntry>& entries);

// How many names (hard links) the open file has; 0 when the system cannot say.
DWORD LinkCount(HANDLE file);

// Removes the open entry's name and changes nothing of the file itself: a read-only file keeps
// that attribute (where the system cannot delete it so, the removal fails). The handle needs
// DELETE. False with the system's error.
bool RemoveEntry(HANDLE handle);

}  // namespace pellucor
