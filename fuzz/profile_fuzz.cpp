// Fuzzes the host profile reader with any bytes, and the scrambler, which must give back any
// text it is applied to twice and keep its length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Fakes.h"
#include "HostProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string scrambled = qel::Scramble(bytes);
    if (scrambled.size() != bytes.size() || qel::Scramble(scrambled) != bytes) {
        std::abort();
    }

    qel::FakeFileSystem files;
    qel::FakeMainView status;
    qel::ProgramState state;
    state.SettingsFolder = "C:\\Qel\\";
    state.CurrentFile = "home";
    files.files["C:\\Qel\\home.uci"] = bytes;
    qel::LoadHostProfile(state, status, files);

    // Values that stay free of line breaks when scrambled survive a save and a load (control
    // characters such as 0x0C can become a CR in the file; nobody types them into the dialog).
    if (scrambled.find_first_of("\r\n") == std::string::npos) {
        files.files.clear();
        qel::SaveHostProfile(files, state.SettingsFolder, "home", bytes, "host", bytes, "/www/");
        qel::ProgramState loaded;
        loaded.SettingsFolder = state.SettingsFolder;
        loaded.CurrentFile = "home";
        qel::LoadHostProfile(loaded, status, files);
        if (loaded.UserName != bytes || loaded.Password != bytes || loaded.DestURL != "host") {
            std::abort();
        }
    }
    return 0;
}
