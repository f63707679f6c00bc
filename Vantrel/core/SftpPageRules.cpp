// The hidden names beside an SFTP page and the order of the renames that put it in place.
#include "SftpPageRules.h"

namespace qel {
namespace {

std::string HiddenBeside(const std::string& pagePath, const char* suffix) {
    const std::size_t slash = pagePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return pagePath.substr(0, nameStart) + "." + pagePath.substr(nameStart) + suffix;
}

}  // namespace

std::string SftpTemporaryName(const std::string& pagePath) {
    return HiddenBeside(pagePath, ".tmp");
}

std::string SftpAsideName(const std::string& pagePath) {
    return HiddenBeside(pagePath, ".old");
}

std::optional<SftpStepFailure> PutPageInPlace(SftpRenameSteps& host, const std::string& temporary,
                                              const std::string& page) {
    const int replaced = host.PosixRename(temporary, page);
    if (replaced == 0) {
        return std::nullopt;
    }
    if (replaced != kSftpOpUnsupported) {
        return SftpStepFailure{replaced, page};
    }
    const std::string aside = SftpAsideName(page);
    int movedAside = host.Rename(page, aside);
    if (movedAside != 0 && movedAside != kSftpNoSuchFile && movedAside > 0) {
        // Most likely an old page left aside by an upload cut off after its new page was in
        // place: the page itself is there, so the copy aside is not needed.
        host.Remove(aside);
        movedAside = host.Rename(page, aside);
    }
    if (movedAside != 0 && movedAside != kSftpNoSuchFile) {
        return SftpStepFailure{movedAside, page};
    }
    if (const int placed = host.Rename(temporary, page); placed != 0) {
        // Back into place: the old page this upload moved, or one an earlier upload left aside.
        host.Rename(aside, page);
        return SftpStepFailure{placed, page};
    }
    host.Remove(aside);  // one left behind is removed by the next upload
    return std::nullopt;
}

}  // namespace qel
