#pragma once

#include "foundation/Value.h"

#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

class SystemRoot;

// Rewrites the parts of a text that identify the computer or its user, for the mini detail level: hardware
// (MAC, Bluetooth) addresses, IP addresses, UUIDs, user names in mount points and the host name in device-mapper
// names. Names that carry such a part keep a readable form ("enx0c3796aabbcc" becomes "USB Ethernet",
// "/media/ada/USB STICK" becomes "USB STICK") rather than disappearing, so the inventory still tells what the
// thing is. Keyed facts that identify (serial numbers, addresses) are left out by the schema; this catches
// what hides inside names and free text.
class Anonymizer {
public:
    // hostNames: the machine's names ("x1carbon", "Ada's ThinkPad"); a value that is one of them is replaced,
    // and they are taken out of device-mapper names.
    explicit Anonymizer(std::vector<std::string> hostNames = {});
    // The names of the machine a root describes.
    static Anonymizer forRoot(const SystemRoot& root);

    std::string text(std::string_view text) const;
    // Every string and dictionary key at any depth.
    qorv::Value value(const qorv::Value& value) const;

private:
    std::string mapperName(std::string_view name) const;

    std::vector<std::string> m_hostNames;
};

} // namespace cellsheet::profiler
