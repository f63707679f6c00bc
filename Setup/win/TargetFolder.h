// A folder the installer writes into (the install folder, the Windows folder), held open from
// the first look at it to the end of the run. Every file in it is created, renamed and deleted
// through the folder's handle, never by path, so nothing done to the path meanwhile (a rename,
// a junction) can send a file elsewhere; a file is replaced by writing a new one beside it and
// renaming that over the old, so a failure never leaves the name without its file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "OwnedHandle.h"

namespace setup {

// How a replacement went.
enum class Replaced {
    Done,
    Held,      // the old file is held open without leave to delete it: it stays, marked for
               // deletion when Windows restarts
    Failed,    // the system's error says why; the old file stays as it was
    Diverted,  // the folder no longer is where its path says: nothing was written
};

class TargetFolder {
public:
    // Takes over a folder held open and checked to be the real folder at `path` (no trailing
    // backslash).
    TargetFolder(pellucor::OwnedHandle handle, std::string path);
    TargetFolder(const TargetFolder&) = delete;
    TargetFolder& operator=(const TargetFolder&) = delete;

    HANDLE Handle() const { return handle_.get(); }
    const std::string& Path() const { return path_; }
    // The path of an entry of the folder, for messages and marks.
    std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }

    // True while the held folder is no link and still lies at its path.
    bool StillInPlace() const;

    // Puts `bytes` under `name`: written to a new file in the folder, which then takes the old
    // one's place. An old file in use (a running program) is moved aside first; one held open
    // without leave to delete it stays and is marked for deletion at restart. On Failed the
    // thread's last error says why.
    Replaced Replace(const std::string& name, const std::string& bytes);

    // Moves an entry that cannot be deleted now (in use, or read-only on older systems) into a
    // fresh folder inside this one, where it is deleted when Windows restarts. The handle needs
    // DELETE. False with the system's error.
    bool PutAside(HANDLE entry, const std::string& name);

    // The end of the run: what stays aside is marked for deletion at restart; an aside folder
    // left empty goes now.
    void Finish();

private:
    // A new file in the folder, checked once made: it lies in the folder's path and the folder
    // is still in place. Empty (nothing left behind) otherwise.
    pellucor::OwnedHandle NewFile(std::string& name, const std::string& base);
    bool OpenAside();

    pellucor::OwnedHandle handle_;
    std::string path_;
    pellucor::OwnedHandle aside_;
    std::string asideName_;
    std::vector<std::string> leftAside_;  // names in the aside folder still there
    int asideCount_ = 0;
};

// Reads at most `limit` bytes from the open file's current position; false when a read fails.
// A file longer than the limit is read only so far.
bool ReadAtMost(HANDLE file, std::uint64_t limit, std::string& bytes);

}  // namespace setup
