#pragma once

#include <string>
#include <string_view>

namespace qorv {

// Writes bytes to path the way an output file should be written:
// - a regular file (or nothing) at the path is replaced whole through a temporary file in the same folder,
//   created exclusively under an unpredictable name and renamed into place, so a reader never sees half a file
//   and a failed write leaves the old file as it was; a replaced file keeps its mode and, where allowed, its
//   owner; a new file gets 0666 less the umask;
// - anything else (a device, a FIFO, a terminal) is written in place and never replaced;
// - a symbolic link is followed, and what it points at is written by the rules above.
// Returns an empty string on success, else the reason.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

// Writes all bytes to a descriptor, retrying short writes. Returns an empty string on success, else the reason.
std::string writeAll(int fd, std::string_view bytes);

} // namespace qorv
