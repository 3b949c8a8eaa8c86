#pragma once

#include <cstddef>
#include <string>

namespace qorv {

// Reads a whole file that people may hand over (a resource folder's data): only a regular file, and only up to
// a limit, so that a FIFO cannot block the reader and a link to /dev/zero cannot exhaust memory. Returns true
// with the bytes, or false with the reason ("cannot open: <errno text>", "not a regular file", "larger than
// N MB", "read error: <errno text>").
bool readRegularFile(const std::string& path, std::string& bytes, std::string& error, size_t limit = size_t(256) << 20);

} // namespace qorv
