// Our serial communications control: property rules and the mapping of device errors.
#include "CommControl.h"

#include <cctype>
#include <vector>

namespace qel {

namespace {

constexpr const char* kPortAlreadyOpen = "Port already open";
constexpr const char* kInvalidPortNumber = "Invalid port number";
constexpr const char* kInvalidPropertyValue = "Invalid property value";

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') {
            parts.emplace_back();
        } else if (c != ' ') {
            parts.back() += c;
        }
    }
    return parts;
}

bool AllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

std::string DescribeOpenFailure(const SerialError& error) {
    switch (error.kind) {
        case SerialError::Kind::NoSuchPort:
            return kInvalidPortNumber;
        case SerialError::Kind::InUse:
            return kPortAlreadyOpen;
        case SerialError::Kind::BadSettings:
            return kInvalidPropertyValue;
        case SerialError::Kind::Other:
            break;
    }
    return error.description;
}

}  // namespace

bool IsValidCommSettings(const std::string& settings) {
    const auto parts = SplitAtCommas(settings);
    if (parts.size() != 4 || !AllDigits(parts[0]) || parts[0].size() > 7) {
        return false;
    }
    const std::string parity = parts[1];
    if (parity.size() != 1 || std::string("NEOMSneoms").find(parity[0]) == std::string::npos) {
        return false;
    }
    if (parts[2].size() != 1 || parts[2][0] < '4' || parts[2][0] > '8') {
        return false;
    }
    return parts[3] == "1" || parts[3] == "1.5" || parts[3] == "2";
}

CommControl::Error CommControl::SetCommPort(int port) {
    if (device_.IsOpen()) {
        return kPortAlreadyOpen;
    }
    if (port < 1 || port > kMaxCommPort) {
        return kInvalidPortNumber;
    }
    commPort_ = port;
    return std::nullopt;
}

CommControl::Error CommControl::SetSettings(const std::string& settings) {
    if (!IsValidCommSettings(settings)) {
        return kInvalidPropertyValue;
    }
    settings_ = settings;
    return std::nullopt;
}

CommControl::Error CommControl::SetPortOpen(bool open) {
    if (!open) {
        device_.Close();
        return std::nullopt;
    }
    if (device_.IsOpen()) {
        return kPortAlreadyOpen;
    }
    if (auto error = device_.Open(commPort_, settings_)) {
        return DescribeOpenFailure(*error);
    }
    return std::nullopt;
}

std::string CommControl::Input(Error& error) {
    error.reset();
    std::string received;
    if (!device_.IsOpen()) {
        return received;
    }
    char chunk[4096];
    for (;;) {
        std::optional<SerialError> readError;
        const std::size_t n = device_.Read(chunk, sizeof chunk, readError);
        received.append(chunk, n);
        if (readError) {
            error = readError->description;
            return received;
        }
        if (n == 0) {
            return received;
        }
    }
}

}  // namespace qel
