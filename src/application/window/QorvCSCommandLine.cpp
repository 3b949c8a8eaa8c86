#include "QorvCSCommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

std::optional<QorvCSCommandLine> QorvCSCommandLine::parse(const std::vector<std::string>& arguments, std::string& error)
{
    QorvCSCommandLine result;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        std::optional<std::string> inlineValue;
        if (argument.rfind("--", 0) == 0) {
            if (auto eq = argument.find('='); eq != std::string::npos) {
                inlineValue = argument.substr(eq + 1);
                argument.resize(eq);
            }
        }
        auto value = [&](std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                out = arguments[++i];
            } else {
                error = "option " + argument + " needs a value";
                return false;
            }
            if (out.empty()) {
                error = "option " + argument + " needs a value";
                return false;
            }
            return true;
        };
        auto optionalPath = [&](std::optional<std::string>& out) {
            std::string v;
            if (!value(v))
                return false;
            if (out) {
                error = "option " + argument + " given twice";
                return false;
            }
            out = std::move(v);
            return true;
        };
        // A number from low to high (whole: without a fraction); a bad one sets the error, which names the range.
        auto bounded = [&](double low, double high, bool whole, const char* range, double& out) {
            std::string text;
            if (!value(text))
                return false;
            char* end = nullptr;
            errno = 0;
            const double number = std::strtod(text.c_str(), &end);
            if (errno != 0 || !end || *end != '\0' || !std::isfinite(number) || number < low || number > high
                || (whole && number != std::floor(number))) {
                error = argument + " takes " + range + ", not \"" + text + "\"";
                return false;
            }
            out = number;
            return true;
        };

        if (argument == "--help" || argument == "-h") {
            result.help = true;
        } else if (argument == "--version") {
            result.version = true;
        } else if (argument == "--resources") {
            std::string dir;
            if (!value(dir))
                return std::nullopt;
            result.resourceDirectories.push_back(dir);
        } else if (argument == "--html") {
            if (!optionalPath(result.html))
                return std::nullopt;
        } else if (argument == "--export-html") {
            if (!optionalPath(result.exportHTML))
                return std::nullopt;
        } else if (argument == "--pdf") {
            if (!optionalPath(result.pdf))
                return std::nullopt;
            if (*result.pdf == "-") {
                error = "--pdf needs a file name";
                return std::nullopt;
            }
        } else if (argument == "--debug-plist") {
            if (!optionalPath(result.debugPlist))
                return std::nullopt;
        } else if (argument == "--json") {
            if (!optionalPath(result.json))
                return std::nullopt;
        } else if (argument == "--sanitize") {
            result.sanitize = true;
        } else if (argument == "--inventory-timeout") {
            if (!bounded(0, 86400, false, "a number of seconds from 0 to 86400", result.inventoryTimeout))
                return std::nullopt;
        } else if (argument == "--history-days") {
            double days = 0;
            if (!bounded(1, 36500, true, "a whole number of days from 1 to 36500", days))
                return std::nullopt;
            result.historyDays = static_cast<int64_t>(days);
        } else if (argument == "-platform" || argument == "-style" || argument == "-display") {
            result.toolkitArguments.push_back(argument);
            if (i + 1 < arguments.size())
                result.toolkitArguments.push_back(arguments[++i]);
        } else {
            error = "unknown option " + argument + " (see --help)";
            return std::nullopt;
        }
    }
    int standardOutputs = 0;
    for (const auto* o : { &result.html, &result.exportHTML, &result.debugPlist, &result.json })
        standardOutputs += (*o && **o == "-") ? 1 : 0;
    if (standardOutputs > 1) {
        error = "only one output may go to standard output (-)";
        return std::nullopt;
    }
    return result;
}

std::string QorvCSCommandLine::usage()
{
    return "Usage: cellsheet [--resources DIR]... [--html FILE] [--export-html FILE] [--pdf FILE]\n"
           "                 [--debug-plist FILE] [--json FILE] [--sanitize] [--history-days N]\n"
           "                 [--inventory-timeout SECONDS] [--help] [--version]\n"
           "\n"
           "Shows a live report of the computer's power sources and inventory. With an output option the\n"
           "report is written without opening a window (FILE \"-\" is standard output):\n"
           "  --html FILE                the on-screen rendering of the report\n"
           "  --export-html FILE         the export rendering (the one that is printed)\n"
           "  --pdf FILE                 the export rendering printed to a PDF file\n"
           "  --debug-plist FILE         the content tree as an XML property list, for diagnosis\n"
           "  --json FILE                the included sections as JSON, for tools (see cellsheet(1))\n"
           "  --sanitize                 hide serial numbers, addresses and names in every output\n"
           "  --history-days N           show the battery history of the last N days only\n"
           "  --inventory-timeout SECS   how long to wait for the inventory (default 60)\n"
           "  --resources DIR            look for resources (diagnostic files, rules, texts) in DIR first;\n"
           "                             may be given several times\n"
           "  --help                     show this help\n"
           "  --version                  show the version\n"
           "\n"
           "Exit status: 0 on success, 1 when an output could not be produced, 2 on a usage error.\n";
}
