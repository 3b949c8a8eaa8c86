#include "CommandLine.h"
#include "Inventory.h"
#include "PropertyListOutput.h"
#include "SystemRoot.h"
#include "foundation/Json.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace cellsheet::profiler;

namespace {

bool writeAll(const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<size_t>(count);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine line = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::fprintf(stderr, "cellsheet-profiler: %s\nTry 'cellsheet-profiler --help'.\n", line.error.c_str());
        return 2;
    }
    if (line.help)
        return writeAll(CommandLine::usage()) ? 0 : 1;
    if (line.version)
        return writeAll("cellsheet-profiler " CELLSHEET_VERSION "\n") ? 0 : 1;
    if (line.list) {
        std::string text = "Available Datatypes:\n";
        for (const auto& collector : Inventory::collectors())
            text += std::string(collector->dataType()) + "\n";
        return writeAll(text) ? 0 : 1;
    }

    auto root = line.root.empty() ? std::make_shared<SystemRoot>() : std::make_shared<SystemRoot>(line.root);
    Inventory inventory(root, line.level);
    std::vector<std::shared_ptr<const Collector>> chosen;
    for (const auto& name : line.dataTypes)
        chosen.push_back(Inventory::collectorFor(name));
    const qorv::Value result = inventory.run(line.dataTypes.empty() ? Inventory::collectors() : chosen);
    const std::string text
        = line.format == CommandLine::Format::JSON ? qorv::Json::write(result) : PropertyListOutput::write(result);
    int status = 0;
    if (!writeAll(text)) {
        std::fprintf(stderr, "cellsheet-profiler: cannot write the inventory: %s\n", std::strerror(errno));
        status = 1;
    }
    // Closing standard output lets the reader finish even if a collector is still stuck in the kernel.
    ::close(STDOUT_FILENO);
    if (inventory.leftWorkBehind())
        ::_exit(status); // no destructors under a thread that still reads
    return status;
}
