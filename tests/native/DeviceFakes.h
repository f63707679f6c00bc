// Stand-ins for the serial ports and the two upload components, for the native tests of the run
// cycle and the uploads.
#pragma once

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "InternetApi.h"
#include "SerialDevice.h"
#include "TransferControl.h"

namespace qel {

// COM ports as the system offers them: which exist, which another program holds, and the bytes
// a device has sent that are waiting to be read.
class FakeSerialDevice : public SerialDevice {
public:
    std::optional<SerialError> Open(int port, const std::string& mode) override {
        openAttempts.push_back(port);
        if (busyPorts.count(port)) {
            return SerialError{SerialError::Kind::InUse, "Access denied."};
        }
        if (!availablePorts.count(port)) {
            return SerialError{SerialError::Kind::NoSuchPort, "File not found."};
        }
        if (openError) {
            return openError;
        }
        isOpen = true;
        openPort = port;
        openMode = mode;
        return std::nullopt;
    }
    void Close() override {
        if (isOpen) {
            ++closes;
        }
        isOpen = false;
    }
    bool IsOpen() const override { return isOpen; }
    std::size_t Read(char* buffer, std::size_t capacity,
                     std::optional<SerialError>& error) override {
        ++reads;
        if (readError) {
            error = readError;
            return 0;
        }
        const std::size_t n = std::min(capacity, waiting.size());
        std::memcpy(buffer, waiting.data(), n);
        waiting.erase(0, n);
        return n;
    }
    std::optional<std::string> TakeLineError() override { return std::exchange(lineError, {}); }

    std::set<int> availablePorts;
    std::set<int> busyPorts;
    std::string waiting;  // sent by the device, not read yet
    std::optional<SerialError> readError;
    std::optional<SerialError> openError;  // an existing port refuses to open with this
    std::optional<std::string> lineError;  // reported once, by the next TakeLineError
    bool isOpen = false;
    int openPort = 0;
    std::string openMode;
    std::vector<int> openAttempts;
    int closes = 0;
    int reads = 0;
};

// WinINet as the upload by session sees it, with every call recorded.
class FakeInternetApi : public InternetApi {
public:
    struct Connect {
        Handle session;
        std::string server;
        int port;
        std::string user, password;
        bool passive;
    };
    struct Put {
        Handle connection;
        std::string local, remote;
        bool binary;
    };

    Handle Open(const std::string& agent) override {
        agents.push_back(agent);
        return lastSession = openSucceeds ? nextHandle++ : 0;
    }
    Handle ConnectFtp(Handle session, const std::string& server, int port, const std::string& user,
                      const std::string& password, bool passive) override {
        connects.push_back({session, server, port, user, password, passive});
        return connectSucceeds ? nextHandle++ : 0;
    }
    bool PutFile(Handle connection, const std::string& localPath, const std::string& remotePath,
                 bool binary) override {
        puts.push_back({connection, localPath, remotePath, binary});
        return putSucceeds;
    }
    void CloseHandle(Handle handle) override { closed.push_back(handle); }
    bool StillWorking() const override { return stillWorking; }

    bool openSucceeds = true;
    bool connectSucceeds = true;
    bool putSucceeds = true;
    bool stillWorking = false;  // a call given up on still runs
    Handle nextHandle = 100;
    Handle lastSession = 0;
    std::vector<std::string> agents;
    std::vector<Connect> connects;
    std::vector<Put> puts;
    std::vector<Handle> closed;
};

// The transfer component: requests are recorded and finish when the test says so.
class FakeTransferControl : public TransferControl {
public:
    void SetURL(const std::string& value) override { url = value; }
    void SetUserName(const std::string& value) override { userName = value; }
    void SetPassword(const std::string& value) override { password = value; }
    std::optional<std::string> Execute(const std::string& operation) override {
        operations.push_back(operation);
        if (std::exchange(executeThrows, false)) {
            throw std::bad_alloc();  // reading the page ran out of memory
        }
        if (!executeError) {
            busy = true;
        }
        return executeError;
    }
    void SetCompletion(Completion value) override { completion = std::move(value); }
    bool StillExecuting() const override { return busy; }
    void EndKeptConnection() override { ++keptEnded; }
    void Finish(const std::optional<std::string>& failure) {
        busy = false;
        completion(failure);
    }
    // The worker is done, but its completion has not reached the window yet.
    void FreeBeforeCompletion() { busy = false; }
    std::optional<UnknownHostKey> TakeUnknownHostKey() override {
        return std::exchange(unknownKey, std::nullopt);
    }
    std::optional<std::string> TrustHostKey(const UnknownHostKey& key) override {
        trusted.push_back(key);
        return std::nullopt;
    }

    std::string url, userName, password;
    std::vector<std::string> operations;
    std::optional<std::string> executeError;
    bool executeThrows = false;  // the next Execute throws
    bool busy = false;           // a transfer started and not finished
    int keptEnded = 0;           // times the kept connection was no longer wanted
    Completion completion;
    std::optional<UnknownHostKey> unknownKey;  // of the transfer that finishes next
    std::vector<UnknownHostKey> trusted;
};

}  // namespace qel
