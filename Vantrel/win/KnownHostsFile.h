// The file of trusted SSH host keys (OpenSSH's known_hosts format), read whole and replaced
// whole: a new key is written with the rest to a temporary file that then replaces the old one,
// so a failure midway never leaves a half list. Paths are UTF-8 and reach the system wide.
#pragma once

#include <optional>
#include <string>

namespace qel {

inline constexpr char kKnownHostsFileName[] = "known_hosts";

// The file's bytes; empty when there is no file yet. nullopt with `failure` set when the file
// is there but cannot be read.
std::optional<std::string> ReadKnownHosts(const std::string& path, std::string& failure);

// Adds one line (given without its line end) at the end of the file, keeping every line already
// there, whether or not this program understands it. nullopt when stored, else the failure.
std::optional<std::string> AppendKnownHost(const std::string& path, const std::string& line);

}  // namespace qel
