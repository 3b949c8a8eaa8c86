#pragma once

#include <string>
#include <string_view>

namespace qorv {

// Writes bytes to a file through a temporary file renamed into place, so a reader never sees half a file and a
// failed write leaves the old file as it was. Returns an empty string on success, else the reason.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

// Writes all bytes to a descriptor, retrying short writes. Returns an empty string on success, else the reason.
std::string writeAll(int fd, std::string_view bytes);

} // namespace qorv
