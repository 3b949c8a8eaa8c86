#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The application's command line:
//   cellsheet [--resources DIR]... [--html FILE] [--export-html FILE] [--pdf FILE] [--debug-plist FILE]
//             [--json FILE] [--sanitize] [--history-days N] [--inventory-timeout SECONDS] [--help] [--version]
struct QorvCSCommandLine {
    std::vector<std::string> resourceDirectories;
    std::optional<std::string> html; // "-" is standard output
    std::optional<std::string> exportHTML;
    std::optional<std::string> pdf;
    std::optional<std::string> debugPlist;
    std::optional<std::string> json;
    bool sanitize = false; // mask serials, addresses and names in every output
    std::optional<int64_t> historyDays; // how far back the history charts reach; nullopt: all they cover
    double inventoryTimeout = 60; // seconds
    bool help = false;
    bool version = false;
    // Arguments the platform's toolkit understands (-platform, -style...), passed on untouched.
    std::vector<std::string> toolkitArguments;

    // True when an output option was given: the report is produced without a window.
    bool isBatch() const { return html || exportHTML || pdf || debugPlist || json; }

    // Parses argv[1...]. On a usage error returns nullopt and sets error to a one-line message.
    static std::optional<QorvCSCommandLine> parse(const std::vector<std::string>& arguments, std::string& error);

    static std::string usage();
};
