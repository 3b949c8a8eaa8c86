#include "IdsFile.h"

#include "Text.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cellsheet::profiler {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The hexadecimal number of `digits` digits at the start of text, followed by a space.
std::optional<unsigned> hexAt(std::string_view text, int digits)
{
    if (text.size() <= static_cast<size_t>(digits) || text[digits] != ' ')
        return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

std::string nameAfter(std::string_view line, size_t idLength)
{
    return Text::clean(line.substr(std::min(line.size(), idLength)));
}

} // namespace

IdsFile::IdsFile(std::string path)
    : m_path(std::move(path))
{ }

IdsFile::~IdsFile()
{
    if (m_data)
        ::munmap(const_cast<char*>(m_data), m_size);
}

bool IdsFile::open()
{
    if (m_opened)
        return m_data != nullptr;
    m_opened = true;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status { };
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        void* mapped = ::mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            m_data = static_cast<const char*>(mapped);
            m_size = static_cast<size_t>(status.st_size);
        }
    }
    ::close(fd);
    if (!m_data)
        return false;
    // Index the top-level lines: a vendor is four hex digits and a space at the start of a line.
    for (size_t at = 0; at < m_size;) {
        const char* end = static_cast<const char*>(std::memchr(m_data + at, '\n', m_size - at));
        const size_t lineEnd = end ? static_cast<size_t>(end - m_data) : m_size;
        const std::string_view line(m_data + at, lineEnd - at);
        if (!line.empty() && line[0] != '\t' && line[0] != '#') {
            if (const auto id = hexAt(line, 4))
                m_vendors.emplace_back(static_cast<uint16_t>(*id), at);
            else if (line.size() > 2 && line[0] == 'C' && line[1] == ' ')
                if (const auto base = hexAt(line.substr(2), 2))
                    m_classes.emplace_back(static_cast<uint8_t>(*base), at);
        }
        at = lineEnd + 1;
    }
    std::stable_sort(
        m_vendors.begin(), m_vendors.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

std::string_view IdsFile::block(size_t offset) const
{
    // From the line after the top-level one to the next line that does not start with a tab or a comment.
    const char* start = static_cast<const char*>(std::memchr(m_data + offset, '\n', m_size - offset));
    if (!start)
        return {};
    size_t at = static_cast<size_t>(start - m_data) + 1;
    const size_t begin = at;
    while (at < m_size && (m_data[at] == '\t' || m_data[at] == '#' || m_data[at] == '\n')) {
        const char* end = static_cast<const char*>(std::memchr(m_data + at, '\n', m_size - at));
        at = end ? static_cast<size_t>(end - m_data) + 1 : m_size;
    }
    return std::string_view(m_data + begin, at - begin);
}

std::optional<std::string> IdsFile::child(size_t offset, unsigned id, int digits) const
{
    for (std::string_view line : Text::lines(block(offset))) {
        // Only direct children ("\tXXXX  name"), not subsystem lines ("\t\t...").
        if (line.size() < 2 || line[0] != '\t' || line[1] == '\t')
            continue;
        if (const auto found = hexAt(line.substr(1), digits); found && *found == id) {
            std::string name = nameAfter(line, 1 + static_cast<size_t>(digits));
            if (!name.empty())
                return name;
        }
    }
    return std::nullopt;
}

std::optional<size_t> IdsFile::vendorOffset(uint16_t vendor)
{
    if (!open())
        return std::nullopt;
    const auto found = std::lower_bound(
        m_vendors.begin(), m_vendors.end(), vendor, [](const auto& entry, uint16_t id) { return entry.first < id; });
    if (found == m_vendors.end() || found->first != vendor)
        return std::nullopt;
    return found->second;
}

std::optional<std::string> IdsFile::vendor(uint16_t vendor)
{
    const auto offset = vendorOffset(vendor);
    if (!offset)
        return std::nullopt;
    const char* end = static_cast<const char*>(std::memchr(m_data + *offset, '\n', m_size - *offset));
    const std::string_view line(m_data + *offset, (end ? static_cast<size_t>(end - m_data) : m_size) - *offset);
    std::string name = nameAfter(line, 4);
    return name.empty() ? std::nullopt : std::optional(name);
}

std::optional<std::string> IdsFile::device(uint16_t vendor, uint16_t device)
{
    const auto offset = vendorOffset(vendor);
    return offset ? child(*offset, device, 4) : std::nullopt;
}

std::optional<std::string> IdsFile::deviceClass(uint8_t base)
{
    if (!open())
        return std::nullopt;
    for (const auto& [id, offset] : m_classes) {
        if (id != base)
            continue;
        const char* end = static_cast<const char*>(std::memchr(m_data + offset, '\n', m_size - offset));
        const std::string_view line(m_data + offset, (end ? static_cast<size_t>(end - m_data) : m_size) - offset);
        std::string name = nameAfter(line, 4);
        return name.empty() ? std::nullopt : std::optional(name);
    }
    return std::nullopt;
}

std::optional<std::string> IdsFile::deviceSubclass(uint8_t base, uint8_t sub)
{
    if (!open())
        return std::nullopt;
    for (const auto& [id, offset] : m_classes)
        if (id == base)
            return child(offset, sub, 2);
    return std::nullopt;
}

} // namespace cellsheet::profiler
