// Fuzzes the settings file reader with any bytes, and checks that what it read is saved back
// and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Fakes.h"
#include "SettingsFile.h"

namespace {

const std::string kFolder = "C:\\Qel\\";

struct Loaded {
    qel::ProgramState state;
    qel::FakeMainView view;
};

void Load(qel::FakeFileSystem& files, Loaded& loaded) {
    loaded.state.SettingsFolder = kFolder;
    qel::LoadSettings(loaded.state, loaded.view, files);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qel::FakeFileSystem files;
    files.files[kFolder + "Leq.ini"] = std::string(reinterpret_cast<const char*>(data), size);
    Loaded first;
    Load(files, first);
    if (first.state.SettingsFileUnreadable) {
        return 0;
    }
    // A file read whole is saved and read back to the same values (a first line with a comma
    // or a quote is the known exception: it is written unquoted).
    if (first.state.CurrentFile.find_first_of(",\"") != std::string::npos ||
        first.state.CurrentFile.find_first_of(" \t") == 0) {
        return 0;
    }
    qel::SaveSettings(first.state, first.view, files);
    Loaded second;
    Load(files, second);
    if (second.state.CurrentFile != first.state.CurrentFile ||
        second.view.fileNameText != first.view.fileNameText ||
        second.view.pageTitleText != first.view.pageTitleText ||
        second.view.refreshText != first.view.refreshText ||
        second.state.FTPMethod != first.state.FTPMethod ||
        second.state.CommMethod != first.state.CommMethod) {
        std::abort();
    }
    return 0;
}
