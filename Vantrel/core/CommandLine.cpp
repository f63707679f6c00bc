// The switches of an unattended start.
#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace qel {

namespace {

// The words as given; quotes only group.
std::vector<std::string> Words(const std::string& commandLine) {
    std::vector<std::string> words(1);
    for (const char c : commandLine) {
        if (c == ' ' || c == '\t') {
            if (!words.back().empty()) {
                words.emplace_back();
            }
        } else if (c != '"') {
            words.back() += c;
        }
    }
    return words;
}

std::string LowerCase(std::string word) {
    for (char& c : word) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return word;
}

// A whole number from 1 to 255; leading zeros count for nothing ("007" is 7).
std::optional<int> PortNumber(const std::string& digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = std::min(value * 10 + (c - '0'), 1000);  // past 255 it stays refused
    }
    if (value < 1 || value > 255) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string RefusedPortText(const std::string& value) {
    return "Port number in /port=" + value + " is not from 1 to 255";
}

StartOptions ParseCommandLine(const std::string& commandLine) {
    StartOptions options;
    for (const std::string& word : Words(commandLine)) {
        const std::string lower = LowerCase(word);
        if (lower.size() < 2 || (lower[0] != '/' && lower[0] != '-')) {
            continue;
        }
        const std::string name = lower.substr(1);
        if (name == "run") {
            options.run = true;
        } else if (name.rfind("port=", 0) == 0) {
            const std::string value = word.substr(6);
            options.port = PortNumber(value);
            options.refusedPort.reset();
            if (!options.port) {
                options.refusedPort = value;
            }
        }
    }
    return options;
}

std::string CommandLineFor(const StartOptions& options) {
    std::string line = options.run ? "/run" : "";
    if (options.port) {
        line += (line.empty() ? "/port=" : " /port=") + std::to_string(*options.port);
    }
    return line;
}

}  // namespace qel
