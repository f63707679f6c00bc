// The switches of an unattended start.
#include "CommandLine.h"

#include <cctype>
#include <vector>

namespace qel {

namespace {

std::vector<std::string> LowerCaseWords(const std::string& commandLine) {
    std::vector<std::string> words(1);
    for (const char c : commandLine) {
        if (c == ' ' || c == '\t') {
            if (!words.back().empty()) {
                words.emplace_back();
            }
        } else if (c != '"') {
            words.back() += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return words;
}

std::optional<int> PortNumber(const std::string& digits) {
    if (digits.empty() || digits.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 255) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

StartOptions ParseCommandLine(const std::string& commandLine) {
    StartOptions options;
    for (const std::string& word : LowerCaseWords(commandLine)) {
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
            continue;
        }
        const std::string name = word.substr(1);
        if (name == "run") {
            options.run = true;
        } else if (name.rfind("port=", 0) == 0) {
            if (const auto port = PortNumber(name.substr(5))) {
                options.port = port;
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
