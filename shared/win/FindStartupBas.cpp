// Folder and window helpers every program carries: shell folders, the Windows and System
// folders, a file test that sees hidden and system files, and centring a window on the screen.
#include "FindStartupBas.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "FolderPath.h"
#include "PathText.h"
#include "WindowPlacement.h"

namespace pellucor {
namespace {

struct IdListFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using UniqueIdList = std::unique_ptr<ITEMIDLIST, IdListFree>;

// Search handles are closed by FindClose, not CloseHandle.
struct SearchClose {
    void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, SearchClose>;

struct ScreenDcRelease {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
using UniqueScreenDc = std::unique_ptr<HDC__, ScreenDcRelease>;

constexpr std::size_t kSystemFolderCapacity = 250;

using FolderQuery = UINT(WINAPI*)(LPWSTR, UINT);

std::string AskSystemFolder(FolderQuery query) {
    wchar_t buffer[kSystemFolderCapacity] = {};
    const UINT length = query(buffer, kSystemFolderCapacity);
    // 0 is a failure and a length beyond the buffer means it did not fit: no usable folder.
    if (length == 0 || length >= kSystemFolderCapacity) {
        return {};
    }
    return WithTrailingBackslash(Utf8(std::wstring_view(buffer, length)));
}

bool IsBadNameError(DWORD code) {
    return code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME;
}

enum class Listing { SomeFile, NoFile, BadName };

// Lists the path like a directory listing that includes hidden and system files: folders
// never count, any other match does.
Listing ListFiles(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE raw = FindFirstFileW(Wide(path).c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
        return IsBadNameError(GetLastError()) ? Listing::BadName : Listing::NoFile;
    }
    UniqueSearch search(raw);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return Listing::SomeFile;
        }
    } while (FindNextFileW(raw, &found));
    return Listing::NoFile;
}

// Some names the listing refuses can still be opened (device names, for one). Whatever stops
// the open other than the name itself (a lock, a denied access) means something is there.
bool OpensForReading(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    const DWORD code = GetLastError();
    return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND && !IsBadNameError(code);
}

int ScreenDotsPerInch(int axis) {
    const UniqueScreenDc dc(GetDC(nullptr));
    return dc ? GetDeviceCaps(dc.get(), axis) : 0;
}

// One direction of the centring, worked in twips as the window's measures are given there.
int CentredPixels(int screenPixels, int windowPixels, int dotsPerInch) {
    const TwipsPerPixel twipsPerPixel(dotsPerInch);
    const auto offset = CenterOffset(PixelsToTwips(screenPixels, twipsPerPixel),
                                     PixelsToTwips(windowPixels, twipsPerPixel));
    return TwipsToPixels(offset, twipsPerPixel);
}

}  // namespace

std::string SpecialFolderPath(int csidl) {
    LPITEMIDLIST raw = nullptr;
    const HRESULT result = SHGetSpecialFolderLocation(nullptr, csidl, &raw);
    const UniqueIdList list(raw);  // released whether or not the shell succeeded
    if (result != S_OK || !list) {
        return {};
    }
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list.get(), buffer)) {
        return {};
    }
    const std::string path = Utf8(buffer);
    return path.empty() ? std::string{} : WithTrailingBackslash(path);
}

SystemFolders FindSystemFolders() {
    return SystemFolders{AskSystemFolder(&GetWindowsDirectoryW),
                         AskSystemFolder(&GetSystemDirectoryW)};
}

bool FileExists(std::string path) {
    if (!path.empty() && path.back() == '\0') {
        path.pop_back();
    }
    // An empty name or one with a NUL inside cannot name a file.
    if (path.empty() || path.find('\0') != std::string::npos) {
        return false;
    }
    switch (ListFiles(path)) {
        case Listing::SomeFile:
            return true;
        case Listing::NoFile:
            return false;
        case Listing::BadName:
            return OpensForReading(path);
    }
    return false;
}

void CenterForm(HWND window) {
    RECT outer{};
    if (!GetWindowRect(window, &outer)) {
        return;
    }
    const int left = CentredPixels(GetSystemMetrics(SM_CXSCREEN), outer.right - outer.left,
                                   ScreenDotsPerInch(LOGPIXELSX));
    const int top = CentredPixels(GetSystemMetrics(SM_CYSCREEN), outer.bottom - outer.top,
                                  ScreenDotsPerInch(LOGPIXELSY));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pellucor
