#include "CommandLine.h"

#include "Inventory.h"

#include <algorithm>

namespace cellsheet::profiler {

CommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    CommandLine line;
    bool formatGiven = false;
    bool optionsEnded = false;
    const auto fail = [&](std::string message) {
        if (line.error.empty())
            line.error = std::move(message);
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            if (!Inventory::collectorFor(argument))
                fail("unknown data type: " + argument);
            else if (std::find(line.dataTypes.begin(), line.dataTypes.end(), argument) == line.dataTypes.end())
                line.dataTypes.push_back(argument);
            continue;
        }
        // "--option=value" and "--option value" both work for the options that take a value.
        std::string value;
        bool hasValue = false;
        if (const size_t equals = argument.find('='); equals != std::string::npos && argument.rfind("--", 0) == 0) {
            value = argument.substr(equals + 1);
            argument.erase(equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                fail("option " + argument + " needs a value");
                return false;
            }
            value = arguments[++i];
            return true;
        };
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--xml" || argument == "--json") {
            const Format format = argument == "--xml" ? Format::XML : Format::JSON;
            if (formatGiven && format != line.format)
                fail("--xml and --json exclude each other");
            line.format = format;
            formatGiven = true;
        } else if (argument == "--detail-level") {
            if (takeValue()) {
                if (const auto level = detailLevelNamed(value))
                    line.level = *level;
                else
                    fail("unknown detail level: " + value + " (mini, basic or full)");
            }
        } else if (argument == "--root") {
            if (takeValue())
                line.root = value;
        } else if (argument == "--list" && !hasValue) {
            line.list = true;
        } else if ((argument == "--help" || argument == "-h") && !hasValue) {
            line.help = true;
        } else if (argument == "--version" && !hasValue) {
            line.version = true;
        } else {
            fail("unknown option: " + arguments[i]);
        }
    }
    return line;
}

std::string CommandLine::usage()
{
    return "Usage: cellsheet-profiler [--xml | --json] [--detail-level mini|basic|full] [--list] [DATATYPE...]\n"
           "\n"
           "Writes an inventory of this computer to standard output as an XML property list (the default) or as\n"
           "JSON: an array with one dictionary per data type. Without DATATYPE, every data type this computer has.\n"
           "\n"
           "  --xml                  XML property list\n"
           "  --json                 JSON of the same shape\n"
           "  --detail-level LEVEL   mini: nothing that identifies the computer or its user;\n"
           "                         basic: adds names, serial numbers and addresses;\n"
           "                         full: adds technical detail (the default)\n"
           "  --list                 list the data types and exit\n"
           "  --help                 show this help and exit\n"
           "  --version              show the version and exit\n";
}

} // namespace cellsheet::profiler
