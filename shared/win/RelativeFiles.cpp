// Files and folders reached through the handle of a folder held open. The native calls are
// taken from the ntdll every process already has loaded, so the programs import nothing more.
#include "RelativeFiles.h"

#include <winternl.h>

#include <cstddef>

#include "PathText.h"

namespace pellucor {

namespace {

constexpr ULONG kFileRenameInformation = 10;
constexpr ULONG kFileDispositionInformation = 13;
constexpr ULONG kFileDispositionInformationEx = 64;
// The name goes at once, even while other handles that allow deleting are open, and a
// read-only file is deleted without its attribute being changed first.
constexpr ULONG kDeletePosixIgnoringReadOnly = 0x1 | 0x2 | 0x10;

struct NativeCalls {
    using Create = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                    PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    using SetInformation = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    using ToWin32 = ULONG(NTAPI*)(NTSTATUS);
    Create create = nullptr;
    SetInformation setInformation = nullptr;
    ToWin32 toWin32 = nullptr;
};

template <typename Function>
Function Find(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const NativeCalls& Native() {
    static const NativeCalls calls = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        NativeCalls found;
        if (ntdll) {
            found.create = Find<NativeCalls::Create>(ntdll, "NtCreateFile");
            found.setInformation = Find<NativeCalls::SetInformation>(ntdll, "NtSetInformationFile");
            found.toWin32 = Find<NativeCalls::ToWin32>(ntdll, "RtlNtStatusToDosError");
        }
        return found;
    }();
    return calls;
}

bool Available() {
    const NativeCalls& calls = Native();
    if (!calls.create || !calls.setInformation || !calls.toWin32) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return true;
}

// True on success; otherwise the status becomes the thread's last error.
bool Succeeded(NTSTATUS status) {
    if (NT_SUCCESS(status)) {
        return true;
    }
    SetLastError(Native().toWin32(status));
    return false;
}

bool IsOneName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/") == std::wstring::npos && name.size() < 32767;
}

constexpr DWORD kDataAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_ALL | FILE_READ_DATA |
                              FILE_WRITE_DATA | FILE_APPEND_DATA;

}  // namespace

OwnedHandle OpenIn(HANDLE folder, const std::string& name, DWORD access, Disposition disposition,
                   DWORD share) {
    std::wstring wide = Wide(name);
    if (!IsOneName(wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    if (!Available()) {
        return nullptr;
    }
    UNICODE_STRING text;
    text.Buffer = wide.data();
    text.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES object{};
    object.Length = sizeof object;
    object.RootDirectory = folder;
    object.ObjectName = &text;
    object.Attributes = OBJ_CASE_INSENSITIVE;
    ULONG options = FILE_OPEN_REPARSE_POINT;
    if (access & kDataAccess) {
        access |= SYNCHRONIZE;  // reads, writes and listings wait for their own completion
        options |= FILE_SYNCHRONOUS_IO_NONALERT;
    }
    ULONG how = FILE_OPEN;
    if (disposition == Disposition::NewFile) {
        how = FILE_CREATE;
        options |= FILE_NON_DIRECTORY_FILE;
    } else if (disposition == Disposition::NewFolder) {
        how = FILE_CREATE;
        options |= FILE_DIRECTORY_FILE;
    }
    HANDLE opened = nullptr;
    IO_STATUS_BLOCK io{};
    if (!Succeeded(Native().create(&opened, access, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                   share, how, options, nullptr, 0))) {
        return nullptr;
    }
    return OwnedHandle(opened);
}

bool RenameInto(HANDLE file, HANDLE folder, const std::string& name, bool replace) {
    const std::wstring wide = Wide(name);
    if (!IsOneName(wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (!Available()) {
        return false;
    }
    const std::size_t bytes = wide.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = folder;
    info->FileNameLength = static_cast<DWORD>(bytes);
    wide.copy(info->FileName, wide.size());
    IO_STATUS_BLOCK io{};
    return Succeeded(Native().setInformation(file, &io, info, static_cast<ULONG>(buffer.size()),
                                             kFileRenameInformation));
}

bool FolderReader::Next(ListedEntry& entry) {
    const DWORD size = static_cast<DWORD>(buffer_.size() * sizeof(LONGLONG));
    const auto* bytes = reinterpret_cast<const std::byte*>(buffer_.data());
    while (!done_) {
        if (!batch_) {
            // From the folder's first entry, whoever listed through the handle before.
            const FILE_INFO_BY_HANDLE_CLASS kind =
                restart_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
            restart_ = false;
            if (!GetFileInformationByHandleEx(folder_, kind, buffer_.data(), size)) {
                const DWORD error = GetLastError();
                done_ = true;
                if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) {
                    error_ = error;
                }
                return false;
            }
            batch_ = true;
            next_ = 0;
        }
        const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + next_);
        if (info->NextEntryOffset == 0) {
            batch_ = false;
        } else {
            next_ += info->NextEntryOffset;
        }
        const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
        if (name != L"." && name != L"..") {
            entry = {Utf8(name), info->FileAttributes};
            return true;
        }
    }
    return false;
}

bool ListThrough(HANDLE folder, std::vector<ListedEntry>& entries) {
    FolderReader reader(folder);
    ListedEntry entry;
    while (reader.Next(entry)) {
        entries.push_back(std::move(entry));
    }
    SetLastError(reader.Error());
    return reader.Error() == ERROR_SUCCESS;
}

DWORD LinkCount(HANDLE file) {
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
        return 0;
    }
    return standard.NumberOfLinks;
}

bool RemoveEntry(HANDLE handle) {
    if (!Available()) {
        return false;
    }
    IO_STATUS_BLOCK io{};
    ULONG flags = kDeletePosixIgnoringReadOnly;
    const NTSTATUS status =
        Native().setInformation(handle, &io, &flags, sizeof flags, kFileDispositionInformationEx);
    if (NT_SUCCESS(status)) {
        return true;
    }
    // Systems before Windows 10 (1809) know neither the call nor its flags.
    BOOLEAN remove = TRUE;
    return Succeeded(
        Native().setInformation(handle, &io, &remove, sizeof remove, kFileDispositionInformation));
}

}  // namespace pellucor
