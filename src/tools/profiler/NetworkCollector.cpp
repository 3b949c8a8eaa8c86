#include "Collectors.h"
#include "DeviceIdentity.h"
#include "SystemRoot.h"
#include "Text.h"
#include "Units.h"

namespace cellsheet::profiler {

namespace {

using Level = DetailLevel;

const Schema networkSchema {
    { "interface" },
    { "type" },
    { "connection" },
    { "hardware" },
    { "vendor" },
    { "driver", Level::Full },
    { "state" },
    { "speed" },
    { "duplex", Level::Full },
    { "mtu", Level::Full },
    { "ip_assigned" },
    { "ipv4_addresses", Level::Basic },
    { "ipv6_addresses", Level::Basic },
    { "mac_address", Level::Basic },
};

struct Kind {
    const char* type;
    const char* connection;
};

Kind kindOf(const SystemRoot& root, const std::string& base, bool hasDevice)
{
    const auto uevent = Text::keyValues(root.read(base + "/uevent").value_or(""));
    const auto devtype = uevent.find("DEVTYPE");
    const std::string deviceType = devtype == uevent.end() ? "" : devtype->second;
    if (root.exists(base + "/wireless") || root.exists(base + "/phy80211") || deviceType == "wlan")
        return { "Wi-Fi", "Wireless" };
    if (deviceType == "wwan" || root.readUnsigned(base + "/type") == 519u)
        return { "Mobile Broadband", "Wireless" };
    if (deviceType == "bluetooth" || deviceType == "bnep")
        return { "Bluetooth", "Wireless" };
    if (root.exists(base + "/bridge"))
        return { "Bridge", "Virtual" };
    if (root.exists(base + "/bonding"))
        return { "Bond", "Virtual" };
    if (deviceType == "vlan")
        return { "VLAN", "Virtual" };
    switch (root.readUnsigned(base + "/type").value_or(0)) {
    case 1:
        return hasDevice ? Kind { "Ethernet", "Wired" } : Kind { "Virtual Ethernet", "Virtual" };
    case 32:
        return { "InfiniBand", "Wired" };
    case 512:
        return { "PPP", "Virtual" };
    case 65534:
    case 768:
    case 769:
    case 776:
    case 778:
    case 823:
        return { "Tunnel", "Virtual" };
    default:
        return { "Other", hasDevice ? "Wired" : "Virtual" };
    }
}

std::string stateOf(const SystemRoot& root, const std::string& base)
{
    const auto state = root.readLine(base + "/operstate").value_or("unknown");
    if (state == "up")
        return "Up";
    if (state == "dormant")
        return "Dormant";
    if (state == "down" || state == "lowerlayerdown" || state == "notpresent")
        return "Down";
    // Virtual interfaces report "unknown"; the administrative flag still tells.
    const auto flags = root.readUnsigned(base + "/flags", 16);
    return flags && (*flags & 0x1) ? "Up" : "Down";
}

} // namespace

std::string_view NetworkCollector::dataType() const
{
    return "SPNetworkDataType";
}

const Schema& NetworkCollector::schema() const
{
    return networkSchema;
}

void NetworkCollector::collect(const CollectorContext& context, ItemSink& sink) const
{
    const SystemRoot& root = *context.root;
    const auto addresses = root.interfaceAddresses();
    for (const auto& name : root.list("/sys/class/net")) {
        const std::string base = "/sys/class/net/" + name;
        if (name == "lo" || root.readUnsigned(base + "/type") == 772u || !root.isDirectory(base))
            continue;
        const bool hasDevice = root.exists(base + "/device");
        const Kind kind = kindOf(root, base, hasDevice);
        Item item(networkSchema, context.level, name);
        item.set("interface", name);
        item.set("type", kind.type);
        item.set("connection", kind.connection);
        if (hasDevice) {
            const DeviceIdentity identity = DeviceIdentity::of(root, *context.database, base + "/device");
            item.set("hardware", identity.model);
            item.set("vendor", identity.vendor);
            item.set("driver", identity.driver);
        }
        const std::string state = stateOf(root, base);
        item.set("state", state);
        // Speed and duplex read as errors while the link is down.
        const bool carrier = root.readUnsigned(base + "/carrier").value_or(0) == 1;
        if (carrier) {
            if (const auto speed = root.readInteger(base + "/speed"); speed && *speed > 0)
                item.set("speed", Units::dataRate(static_cast<double>(*speed)));
            if (const auto duplex = root.readLine(base + "/duplex"); duplex == "full" || duplex == "half")
                item.set("duplex", *duplex == "full" ? "Full" : "Half");
        }
        if (const auto mtu = root.readUnsigned(base + "/mtu"))
            item.set("mtu", *mtu);
        std::vector<std::string> ipv4, ipv6;
        for (const auto& address : addresses) {
            if (address.interface != name)
                continue;
            // Link-local IPv6 addresses are on every interface and say nothing about the network.
            if (address.ipv6 && address.address.rfind("fe80:", 0) == 0)
                continue;
            (address.ipv6 ? ipv6 : ipv4).push_back(address.address);
        }
        item.set("ip_assigned", ipv4.empty() && ipv6.empty() ? "No" : "Yes");
        item.set("ipv4_addresses", Text::join(ipv4, ", "));
        item.set("ipv6_addresses", Text::join(ipv6, ", "));
        if (const auto address = root.readLine(base + "/address");
            address && root.readUnsigned(base + "/addr_len").value_or(6) > 0 && *address != "00:00:00:00:00:00")
            item.set("mac_address", *address);
        sink.add(item);
    }
}

std::string NetworkCollector::summary(const qorv::Value& item) const
{
    return joinPresent(item, { "type", "state", "speed", "ipv4_addresses" });
}

} // namespace cellsheet::profiler
