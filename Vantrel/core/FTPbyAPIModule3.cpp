// Upload method 1 over a kept WinINet session.
#include "FTPbyAPIModule3.h"

#include "HostProfile.h"

namespace qel {

bool FTPbyAPIModule3::UploadByApi() {
    // Checked again here, whatever way the values came: a line break would go out as a command.
    if (auto refused = RefusedHostValuesText(state_.UserName, state_.Password,
                                             state_.DestPath + state_.DestFileName)) {
        status_->ShowStatus(*refused, StatusColour::Failure);
        return false;
    }
    status_->ShowProgress("Starting transmission");
    // Each step reports for itself; a failed connection shows up as "No FTP connection".
    OpenConnection(state_.DestURL, state_.UserName, state_.Password);
    const bool stored = PutFile(state_.WebFilePath, state_.DestPath + state_.DestFileName, true);
    CloseConnection();
    if (api_.StillWorking()) {
        // A call given up on at its limit would hold the line for as long as WinINet lets it:
        // closing its session cancels it, and the next page opens a new session.
        api_.CloseHandle(SessionHandle);
        SessionHandle = 0;
    }
    return stored;
}

bool FTPbyAPIModule3::OpenConnection(const std::string& server, const std::string& userName,
                                     const std::string& password) {
    if (SessionHandle == 0) {
        SessionHandle = api_.Open(kAgentName);
        if (SessionHandle == 0) {
            return false;
        }
    }
    ConnectionHandle = api_.ConnectFtp(SessionHandle, server, InternetApi::kDefaultFtpPort,
                                       userName, password, /*passive=*/false);
    if (ConnectionHandle == 0) {
        return false;
    }
    IsConnected = true;
    status_->ShowProgress("Connection opened");
    return true;
}

bool FTPbyAPIModule3::PutFile(const std::string& localPath, const std::string& remotePath,
                              bool binary) {
    if (!IsConnected) {
        status_->ShowStatus("No FTP connection", StatusColour::Failure);
        return false;
    }
    status_->ShowProgress("Attempting transmission");
    const bool stored = api_.PutFile(ConnectionHandle, localPath, remotePath, binary);
    if (stored) {
        status_->ShowStatus("Transfer Complete " + clock_.ShortDate() + "  " + clock_.LongTime(),
                            StatusColour::Highlight);
    } else {
        status_->ShowStatus("FTP transmission failed False", StatusColour::Failure);
    }
    return stored;
}

bool FTPbyAPIModule3::CloseConnection() {
    if (!IsConnected) {
        return false;
    }
    IsConnected = false;
    api_.CloseHandle(ConnectionHandle);
    ConnectionHandle = 0;
    return true;
}

}  // namespace qel
