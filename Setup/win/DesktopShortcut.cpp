// Makes a shell shortcut through the shell's link interface.
#include "DesktopShortcut.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <memory>
#include <string>

namespace setup {

namespace {

template <typename T>
struct ComRelease {
    void operator()(T* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease<T>>;

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    return wide;
}

}  // namespace

HRESULT SaveShortcut(const Shortcut& shortcut) {
    IShellLinkA* rawLink = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(&rawLink));
    if (FAILED(result)) {
        return result;
    }
    const ComPtr<IShellLinkA> link(rawLink);
    if (FAILED(result = link->SetDescription(shortcut.description.c_str())) ||
        FAILED(result = link->SetPath(shortcut.target.c_str())) ||
        FAILED(result = link->SetWorkingDirectory(shortcut.workingFolder.c_str()))) {
        return result;
    }
    IPersistFile* rawFile = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile));
    if (FAILED(result)) {
        return result;
    }
    const ComPtr<IPersistFile> file(rawFile);
    return file->Save(Wide(shortcut.linkPath).c_str(), TRUE);
}

}  // namespace setup
