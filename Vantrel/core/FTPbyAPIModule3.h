// Upload method 1: the page file goes to the FTP host over one WinINet session that is opened
// on the first upload and kept until a call is given up on at its limit (the session is closed
// to cancel it, and the next upload opens a new one); each upload logs in on a new connection
// (active mode), stores the file in binary and closes the connection again.
#pragma once

#include <string>

#include "Clock.h"
#include "InternetApi.h"
#include "MainView.h"
#include "ProgramState.h"

namespace qel {

class FTPbyAPIModule3 {
public:
    static constexpr const char* kAgentName = "Qel";

    FTPbyAPIModule3(InternetApi& api, StatusLine& status, Clock& clock, const ProgramState& state)
        : api_(api), status_(&status), clock_(clock), state_(state) {}

    // Sends WebFilePath to DestPath + DestFileName on DestURL; reports on the status line, and
    // tells its caller whether the page was stored.
    bool UploadByApi();
    // True while a WinINet call that an upload gave up waiting for still runs: no upload may
    // start until it has ended.
    bool StillWorking() const { return api_.StillWorking(); }
    // Where the upload's messages go from now on (the owner's guarded status line).
    void ReportTo(StatusLine& status) { status_ = &status; }

    bool OpenConnection(const std::string& server, const std::string& userName,
                        const std::string& password);
    bool PutFile(const std::string& localPath, const std::string& remotePath, bool binary);
    bool CloseConnection();

    InternetApi::Handle SessionHandle = 0;
    InternetApi::Handle ConnectionHandle = 0;
    bool IsConnected = false;

private:
    InternetApi& api_;
    StatusLine* status_;
    Clock& clock_;
    const ProgramState& state_;
};

}  // namespace qel
