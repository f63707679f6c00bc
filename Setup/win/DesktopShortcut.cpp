// Makes a shell shortcut through the shell's link interface.
#include "DesktopShortcut.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "PathText.h"

namespace setup {

namespace {

using pellucor::Wide;

template <typename T>
struct ComRelease {
    void operator()(T* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease<T>>;

}  // namespace

HRESULT SaveShortcut(const Shortcut& shortcut) {
    IShellLinkW* rawLink = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&rawLink));
    if (FAILED(result)) {
        return result;
    }
    const ComPtr<IShellLinkW> link(rawLink);
    if (FAILED(result = link->SetDescription(Wide(shortcut.description).c_str())) ||
        FAILED(result = link->SetPath(Wide(shortcut.target).c_str())) ||
        FAILED(result = link->SetWorkingDirectory(Wide(shortcut.workingFolder).c_str()))) {
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
