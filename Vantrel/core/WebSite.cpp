// Opening our web site in the user's browser.
#include "WebSite.h"

#include <algorithm>

namespace qel {
namespace {

std::string TrimmedBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string BrowserPath(std::string buffer) {
    buffer = TrimmedBlanks(buffer);
    std::replace(buffer.begin(), buffer.end(), '\0', ' ');
    return TrimmedBlanks(buffer);
}

std::string BrowserCommandLine(const std::string& browserPath, const std::string& address) {
    return "\"" + browserPath + "\" " + address;
}

void OpenWebSite(BrowserShell& shell, FileSystem& files, const std::string& programFolder,
                 const std::string& address) {
    const std::string page = programFolder + kBrowserLookupPage;
    std::string result(kBrowserPathCapacity, ' ');
    std::string error;
    if (!shell.FindAssociatedProgram(page, programFolder, result, error)) {
        // Titled with the page's name as the folder lists it: empty when it is not there.
        const auto listed = files.ListFiles(page);
        shell.ShowMessage(error + " with " + files.TextFromPath(page),
                          listed.empty() ? std::string() : files.TextFromPath(listed.front()));
        return;
    }
    const std::string browser = BrowserPath(result);
    if (!shell.StartProcess(BrowserCommandLine(browser, address), error)) {
        shell.ShowMessage(error + " with " + files.TextFromPath(browser), "Error");
    }
}

}  // namespace qel
