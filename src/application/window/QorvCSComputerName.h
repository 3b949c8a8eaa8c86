#pragma once

#include <optional>
#include <string>

// The computer's user-visible name: PRETTY_HOSTNAME of machine-info, else the host name; empty when neither.
std::string QorvCSComputerName(const std::string& machineInfoPath = "/etc/machine-info");

// A directory only this user can enter, for files handed to other programs (the e-mail attachment): under
// $XDG_RUNTIME_DIR when it is set, else /tmp/cellsheet-<uid>. Created with owner-only permissions; refused
// (nullopt, reason in error) when it exists but is not a real directory owned by this user.
std::optional<std::string> QorvCSPrivateTemporaryDirectory(std::string& error, const std::string& base = {});
