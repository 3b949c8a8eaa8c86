#include "QorvCSLinuxPowerSourceService.h"

#include "foundation/Bundle.h"
#include "foundation/CleanText.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::string_view powerSupplySubsystem = "power_supply";

// The contents of an attribute file without its trailing newline, or nullopt when it cannot be read (write-only
// files, and files whose driver has no value at the moment).
std::optional<std::string> readAttribute(int directory, const char* name)
{
    const int fd = ::openat(directory, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::string contents;
    char buffer[4096];
    ssize_t n = 0;
    // An attribute is at most a page; more than that is not a value worth showing.
    while (contents.size() <= sizeof buffer) {
        n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        contents.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    while (!contents.empty() && (contents.back() == '\n' || contents.back() == ' '))
        contents.pop_back();
    // Drivers' strings are shown and written out: no control characters, no invalid UTF-8.
    if (!qorv::isCleanText(contents))
        return qorv::cleanText(contents);
    return contents;
}

// Every regular file of the device's folder except the uevent summary. Read directly rather than through
// libudev's attribute cache, which costs several times the system calls on every poll.
void readAttributes(QorvCSPowerSupply& supply)
{
    DIR* folder = ::opendir(supply.sysPath.c_str());
    if (!folder)
        return;
    const int directory = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        struct stat status { };
        const bool regular = entry->d_type == DT_UNKNOWN
            ? ::fstatat(directory, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)
            : entry->d_type == DT_REG;
        if (!regular || std::string_view(entry->d_name) == "uevent")
            continue;
        if (auto value = readAttribute(directory, entry->d_name))
            supply.attributes.emplace(entry->d_name, std::move(*value));
    }
    ::closedir(folder);
}

// Reports changes of the power supplies on the run loop it is scheduled on: soon after udev announces an event for
// one, and after a poll that found different readings. The readings are taken on a thread of its own; the run loop
// only drains the monitor's socket and receives the notice.
class QorvCSUdevChangeSource : public QorvCSPowerSourceChangeSource,
                               public std::enable_shared_from_this<QorvCSUdevChangeSource> {
public:
    QorvCSUdevChangeSource(std::shared_ptr<QorvCSLinuxPowerSourceService> service, Callback callback, void* context)
        : m_service(std::move(service))
        , m_callback(callback)
        , m_context(context)
        , m_monitorContext(udev_new()) // the monitor's own: the reading thread uses the service's
    {
        // Without a monitor (no netlink socket allowed) the poll still sees every change, only later.
        if (m_monitorContext)
            m_monitor = udev_monitor_new_from_netlink(m_monitorContext, "udev");
        if (m_monitor
            && (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, powerSupplySubsystem.data(), nullptr) < 0
                || udev_monitor_enable_receiving(m_monitor) < 0)) {
            udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
        }
    }

    ~QorvCSUdevChangeSource() override
    {
        if (m_runLoop)
            unschedule(*m_runLoop);
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_monitorContext)
            udev_unref(m_monitorContext);
    }

    void schedule(qorv::RunLoop& runLoop) override
    {
        if (m_runLoop)
            return;
        m_runLoop = &runLoop;
        std::weak_ptr<QorvCSUdevChangeSource> weak = weak_from_this();
        // The tasks hold the source while they run: the callback may release the last other reference.
        if (m_monitor)
            m_sourceID = runLoop.addSource(udev_monitor_get_fd(m_monitor), [weak] {
                if (auto self = weak.lock())
                    self->monitorDidBecomeReadable();
            });
        m_stop = false;
        m_readNow = false;
        m_reader = std::thread([this, weak, loop = &runLoop, last = m_service->powerSupplies()]() mutable {
            readUntilStopped(*loop, weak, std::move(last));
        });
    }

    void unschedule(qorv::RunLoop& runLoop) override
    {
        if (m_runLoop != &runLoop)
            return;
        if (m_sourceID)
            runLoop.removeSource(m_sourceID);
        m_sourceID = 0;
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        if (m_reader.joinable())
            m_reader.join();
        m_runLoop = nullptr;
    }

    bool isScheduled() const override { return m_runLoop != nullptr; }

private:
    void monitorDidBecomeReadable()
    {
        // One reading for everything that arrived together.
        bool received = false;
        while (struct udev_device* device = udev_monitor_receive_device(m_monitor)) {
            received = true;
            udev_device_unref(device);
        }
        if (!received || !m_runLoop)
            return;
        {
            std::lock_guard lock(m_mutex);
            m_readNow = true;
        }
        m_wake.notify_one();
    }

    // The reading thread: reads at every poll and when udev announced something, hands a changed reading to the
    // service and the notice to the run loop. Touches nothing else of the source's.
    void readUntilStopped(
        qorv::RunLoop& loop, std::weak_ptr<QorvCSUdevChangeSource> weak, std::vector<QorvCSPowerSupply> last)
    {
        for (;;) {
            bool announced = false;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait_for(lock, m_service->pollInterval(), [this] { return m_stop || m_readNow; });
                if (m_stop)
                    return;
                announced = m_readNow;
                m_readNow = false;
            }
            auto readings = m_service->powerSupplies();
            if (!announced && readings == last)
                continue;
            last = readings;
            m_service->handOver(std::move(readings));
            try {
                loop.perform([weak] {
                    if (auto self = weak.lock(); self && self->m_runLoop)
                        self->m_callback(self->m_context);
                });
            } catch (...) {
                // No notice this time (out of memory); the next change brings one.
            }
        }
    }

    std::shared_ptr<QorvCSLinuxPowerSourceService> m_service;
    Callback m_callback;
    void* m_context;
    struct udev* m_monitorContext = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    qorv::RunLoop* m_runLoop = nullptr;
    qorv::RunLoop::Id m_sourceID = 0;
    std::thread m_reader;
    std::mutex m_mutex; // guards the two requests below
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_readNow = false;
};

} // namespace

QorvCSLinuxPowerSourceService::QorvCSLinuxPowerSourceService(std::chrono::milliseconds pollInterval)
    : m_udev(udev_new())
    , m_pollInterval(std::max(pollInterval, std::chrono::milliseconds(1)))
{ }

QorvCSLinuxPowerSourceService::~QorvCSLinuxPowerSourceService()
{
    if (m_udev)
        udev_unref(m_udev);
}

std::chrono::milliseconds QorvCSLinuxPowerSourceService::defaultPollInterval()
{
    constexpr std::chrono::milliseconds fallback(5000);
    const qorv::Value* value = qorv::Bundle::main().objectForInfoDictionaryKey(QorvCSPowerSourceBridgePollIntervalKey);
    const auto seconds = value ? value->asReal() : std::nullopt;
    if (!seconds || !(*seconds > 0) || *seconds > 24 * 3600)
        return fallback;
    return std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(static_cast<int64_t>(*seconds * 1000)));
}

std::vector<QorvCSPowerSupply> QorvCSLinuxPowerSourceService::powerSupplies() const
{
    std::lock_guard lock(m_readMutex);
    ++m_readCount;
    std::vector<QorvCSPowerSupply> supplies;
    if (!m_udev)
        return supplies;
    struct udev_enumerate* enumerate = udev_enumerate_new(m_udev);
    if (!enumerate)
        return supplies;
    std::map<std::string, Connection> connections;
    // Where a device sits does not change while its path exists, so the parents are looked at once.
    auto connectionOf = [this](const std::string& sysPath, std::map<std::string, Connection>& seen) {
        auto known = m_connections.find(sysPath);
        Connection connection;
        if (known != m_connections.end()) {
            connection = known->second;
        } else if (struct udev_device* device = udev_device_new_from_syspath(m_udev, sysPath.c_str())) {
            connection.onUSB = udev_device_get_parent_with_subsystem_devtype(device, "usb", nullptr) != nullptr;
            // Bluetooth HID devices (mice, keyboards, headsets) hang under uhid, others under their controller.
            connection.onBluetooth = udev_device_get_parent_with_subsystem_devtype(device, "bluetooth", nullptr)
                || sysPath.find("/uhid/") != std::string::npos;
            udev_device_unref(device);
        }
        seen[sysPath] = connection;
        return connection;
    };
    if (udev_enumerate_add_match_subsystem(enumerate, powerSupplySubsystem.data()) >= 0
        && udev_enumerate_scan_devices(enumerate) >= 0) {
        struct udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
        {
            QorvCSPowerSupply supply;
            supply.sysPath = udev_list_entry_get_name(entry);
            supply.name = supply.sysPath.substr(supply.sysPath.rfind('/') + 1);
            const Connection connection = connectionOf(supply.sysPath, connections);
            supply.onUSB = connection.onUSB;
            supply.onBluetooth = connection.onBluetooth;
            readAttributes(supply);
            supplies.push_back(std::move(supply));
        }
    }
    udev_enumerate_unref(enumerate);
    m_connections = std::move(connections); // devices that are gone are forgotten
    std::sort(supplies.begin(), supplies.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return supplies;
}

qorv::Value::Array QorvCSLinuxPowerSourceService::copyPowerSourceDescriptions()
{
    return QorvCSPowerSupplyDescription::powerSources(powerSupplies());
}

qorv::Value QorvCSLinuxPowerSourceService::copyExternalPowerAdapterDetails()
{
    return QorvCSPowerSupplyDescription::powerAdapter(powerSupplies());
}

std::vector<QorvCSPowerSupply> QorvCSLinuxPowerSourceService::takeReading()
{
    std::optional<std::vector<QorvCSPowerSupply>> supplies;
    {
        std::lock_guard lock(m_handOverMutex);
        supplies.swap(m_handedOver);
    }
    return supplies ? std::move(*supplies) : powerSupplies();
}

QorvCSPowerSourceService::Descriptions QorvCSLinuxPowerSourceService::copyDescriptions()
{
    const auto supplies = takeReading();
    return { QorvCSPowerSupplyDescription::powerSources(supplies),
        QorvCSPowerSupplyDescription::powerAdapter(supplies) };
}

void QorvCSLinuxPowerSourceService::handOver(std::vector<QorvCSPowerSupply> supplies)
{
    std::lock_guard lock(m_handOverMutex);
    m_handedOver = std::move(supplies);
}

std::shared_ptr<QorvCSPowerSourceChangeSource> QorvCSLinuxPowerSourceService::createChangeSource(
    QorvCSPowerSourceChangeSource::Callback callback, void* context)
{
    if (!m_udev || !callback)
        return nullptr;
    return std::make_shared<QorvCSUdevChangeSource>(shared_from_this(), callback, context);
}
