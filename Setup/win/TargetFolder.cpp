// A folder the installer writes into, held open and reached through its handle.
#include "TargetFolder.h"

#include <algorithm>

#include "HandleFiles.h"
#include "RelativeFiles.h"
#include "RestartDeletion.h"

namespace setup {

namespace {

using pellucor::Disposition;

// Where entries that cannot be deleted now wait for the next start of Windows: a folder of
// their own, so that a DLL among them is no longer beside any program.
constexpr const char* kAsideFolderName = "Removed at restart";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool AlreadyThere(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// Keeps the error of a failed step while what it left behind is cleared away.
template <typename Cleanup>
void KeepingError(Cleanup cleanup) {
    const DWORD error = GetLastError();
    cleanup();
    SetLastError(error);
}

}  // namespace

TargetFolder::TargetFolder(pellucor::OwnedHandle handle, std::string path)
    : handle_(std::move(handle)), path_(std::move(path)) {}

bool TargetFolder::StillInPlace() const {
    const DWORD attributes = pellucor::HandleAttributes(Handle());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           pellucor::SamePath(pellucor::FinalPath(Handle()), path_);
}

pellucor::OwnedHandle TargetFolder::NewFile(std::string& name, const std::string& base) {
    for (int n = 1; n <= 100; ++n) {
        name = base + ".new" + (n == 1 ? std::string() : std::to_string(n));
        // Shared with no one: no other handle to the new file can exist.
        pellucor::OwnedHandle made = pellucor::OpenIn(
            Handle(), name, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, Disposition::NewFile, 0);
        if (!made) {
            if (AlreadyThere(GetLastError())) {
                continue;
            }
            return nullptr;
        }
        if (!StillInPlace() || !pellucor::LiesDirectlyIn(pellucor::FinalPath(made.get()), path_)) {
            pellucor::RemoveEntry(made.get());
            SetLastError(ERROR_REPARSE_TAG_MISMATCH);
            return nullptr;
        }
        return made;
    }
    return nullptr;
}

Replaced TargetFolder::Replace(const std::string& name, const std::string& bytes) {
    std::string newName;
    const pellucor::OwnedHandle made = NewFile(newName, name);
    if (!made) {
        return GetLastError() == ERROR_REPARSE_TAG_MISMATCH ? Replaced::Diverted : Replaced::Failed;
    }
    const auto dropNew = [&] { pellucor::RemoveEntry(made.get()); };
    if (!WriteAll(made.get(), bytes) || !FlushFileBuffers(made.get())) {
        KeepingError(dropNew);  // a full disk costs the old file nothing
        return Replaced::Failed;
    }
    if (pellucor::RenameInto(made.get(), Handle(), name, true)) {
        return Replaced::Done;
    }
    // An old file that is open (a running Qel, a scanner) cannot be replaced: it is moved
    // aside, where it goes now or at restart, and the new file takes its name.
    const pellucor::OwnedHandle old = pellucor::OpenIn(
        Handle(), name, DELETE | FILE_READ_ATTRIBUTES, Disposition::OpenExisting, kShareAll);
    if (!old) {
        const DWORD error = GetLastError();
        dropNew();
        SetLastError(error);
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) {
            return Replaced::Failed;
        }
        // Held without leave to delete it (or already being deleted by someone else): whoever
        // holds it could rewrite it later, so it must not stay for good.
        MarkForDeletionAtRestart(PathOf(name));
        SetLastError(error);
        return Replaced::Held;
    }
    const DWORD attributes = pellucor::HandleAttributes(old.get());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        SetLastError(ERROR_DIRECTORY);
        KeepingError(dropNew);
        return Replaced::Failed;
    }
    if (!PutAside(old.get(), name)) {
        KeepingError(dropNew);
        return Replaced::Failed;
    }
    if (!pellucor::RenameInto(made.get(), Handle(), name, false)) {
        KeepingError([&] {
            dropNew();
            pellucor::RenameInto(old.get(), Handle(), name, false);  // the old one back
        });
        return Replaced::Failed;
    }
    return Replaced::Done;
}

bool TargetFolder::OpenAside() {
    for (int n = 1; n <= 100 && !aside_; ++n) {
        asideName_ = kAsideFolderName + (n == 1 ? std::string() : " " + std::to_string(n));
        aside_ = pellucor::OpenIn(Handle(), asideName_,
                                  FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                      FILE_TRAVERSE | DELETE | FILE_READ_ATTRIBUTES,
                                  Disposition::NewFolder);
        if (!aside_ && !AlreadyThere(GetLastError())) {
            return false;
        }
    }
    if (aside_ && !pellucor::LiesDirectlyIn(pellucor::FinalPath(aside_.get()), path_)) {
        pellucor::RemoveEntry(aside_.get());
        aside_.reset();
        SetLastError(ERROR_REPARSE_TAG_MISMATCH);
    }
    return aside_ != nullptr;
}

bool TargetFolder::PutAside(HANDLE entry, const std::string& name) {
    if (!aside_ && !OpenAside()) {
        return false;
    }
    const std::string asideName = std::to_string(++asideCount_) + " " + name;
    if (!pellucor::RenameInto(entry, aside_.get(), asideName, false)) {
        return false;
    }
    if (!pellucor::RemoveEntry(entry)) {
        leftAside_.push_back(asideName);
    }
    return true;
}

void TargetFolder::Finish() {
    if (!aside_) {
        return;
    }
    const std::string aside = PathOf(asideName_);
    for (const std::string& name : leftAside_) {
        MarkForDeletionAtRestart(aside + "\\" + name);
    }
    leftAside_.clear();
    // Marked after what it holds: the system deletes in the order of marking.
    if (!pellucor::RemoveEntry(aside_.get())) {
        MarkForDeletionAtRestart(aside);
    }
    aside_.reset();
}

bool ReadAtMost(HANDLE file, std::uint64_t limit, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    while (bytes.size() < limit) {
        const DWORD want =
            static_cast<DWORD>(std::min<std::uint64_t>(sizeof buffer, limit - bytes.size()));
        DWORD got = 0;
        if (!ReadFile(file, buffer, want, &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, got);
    }
    return true;
}

}  // namespace setup
