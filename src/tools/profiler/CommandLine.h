#pragma once

#include "Schema.h"

#include <string>
#include <vector>

namespace cellsheet::profiler {

// cellsheet-profiler [--xml | --json] [--detail-level mini|basic|full] [--list] [DATATYPE...]
// plus --help, --version and, for tests, --root DIR.
struct CommandLine {
    enum class Format { XML, JSON };
    Format format = Format::XML;
    DetailLevel level = DetailLevel::Full;
    bool list = false;
    bool help = false;
    bool version = false;
    std::string root; // empty: the running system
    std::vector<std::string> dataTypes; // empty: all, else without repeats in the order given
    std::string error; // a usage error, for standard error; the tool then exits with status 2

    static CommandLine parse(const std::vector<std::string>& arguments);
    static std::string usage();
};

} // namespace cellsheet::profiler
