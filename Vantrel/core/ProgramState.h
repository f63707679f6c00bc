// The program state of Qel that the main window, the run cycle, the uploads and the
// configuration files share: one instance for the life of the process.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

struct ProgramState {
    // 0 = the port opened as a device file; any other value = our serial control.
    std::uint8_t CommMethod = 0;
    // 0 or 1 = upload by the WinINet session; 2 = upload by the transfer component; 3 = the
    // same over FTPS; others none.
    std::uint8_t FTPMethod = 0;
    // True once SetUpPort has opened the port by either method.
    bool PortIsOpen = false;

    std::string CurrentFile;    // base name of the current host profile ("<name>.uci")
    std::string DestURL;        // FTP server address (a bare host name)
    std::string UserName;       // FTP user name
    std::string Password;       // FTP password
    std::string DestPath;       // remote folder; GetInfo makes it begin and end with "/"
    std::string DestFileName;   // page file name, local and remote
    std::string WebFilePath;    // full local path of the page file written last
    std::string ProgramFolder;  // the program's own folder, ending in "\"
    std::string AppVersion;     // major "." minor

    // The user's own folder for the settings file and host profiles, ending in "\".
    std::string SettingsFolder;

    // The settings file was read but could not be understood: it is kept aside before a new
    // one is written, so that what it held is not lost to the values that stood in for it.
    bool SettingsFileUnreadable = false;
    // The settings file could not be opened yet (held by another program, or refused): none of
    // its values are known, so it is tried again, never written over, and no upload goes out
    // by a method it may not name, until it has been read.
    bool SettingsFileNeverRead = false;
    // The settings of an earlier install still wait to be carried over into SettingsFolder.
    bool SettingsCarryOverPending = false;

    // Counts each time the user chooses the host anew in the host dialog (Set, Ok, a profile
    // picked from its list): a No to an SFTP host's key stands only until then.
    std::uint32_t HostChoices = 0;

    // All four host values are needed before an upload can succeed.
    bool HostConfigurationComplete() const {
        return !UserName.empty() && !DestURL.empty() && !Password.empty() && !DestPath.empty();
    }
};

}  // namespace qel
