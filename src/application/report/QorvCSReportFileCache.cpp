#include "QorvCSReportFileCache.h"

#include "foundation/RegularFile.h"

bool QorvCSReportReadFile(const std::string& path, std::string& bytes, std::string& error)
{
    if (qorv::readRegularFile(path, bytes, error))
        return true;
    // Callers say "cannot be read" themselves.
    if (constexpr std::string_view prefix = "cannot open: "; error.starts_with(prefix))
        error.erase(0, prefix.size());
    return false;
}
