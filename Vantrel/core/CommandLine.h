// The switches of an unattended start: "/run" switches Run on as a click does, "/port=N" puts a
// port the search cannot know into Port. Any other word is ignored.
#pragma once

#include <optional>
#include <string>

namespace qel {

struct StartOptions {
    bool run = false;
    std::optional<int> port;                 // 1 to 255
    std::optional<std::string> refusedPort;  // the value of a "/port=" that names no port
};

// Words are separated by blanks or tabs; a switch may start with "/" or "-", in any case, and
// may stand in quotes. "/port=N" counts only with N a whole number from 1 to 255, leading
// zeros allowed; any other value is kept as refused, as given. The last "/port=" given wins.
StartOptions ParseCommandLine(const std::string& commandLine);

// "Port number in /port=3x is not from 1 to 255": a refused value, said in red, after which the
// port search's result stands.
std::string RefusedPortText(const std::string& value);

inline bool HasRunSwitch(const std::string& commandLine) {
    return ParseCommandLine(commandLine).run;
}

// The command line that hands the options on to a Qel already running ("/run /port=12").
std::string CommandLineFor(const StartOptions& options);

}  // namespace qel
