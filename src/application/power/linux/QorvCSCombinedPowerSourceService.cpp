#include "QorvCSCombinedPowerSourceService.h"

#include "linux/QorvCSNUTPowerSourceProvider.h"
#include "linux/QorvCSUPowerPowerSourceProvider.h"

std::shared_ptr<QorvCSPowerSourceService> QorvCSPowerSourceService::systemService()
{
    auto kernel = std::make_shared<QorvCSLinuxPowerSourceService>();
    std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> providers;
    auto nut = std::make_shared<QorvCSNUTPowerSourceProvider>(
        QorvCSNUTPowerSourceProvider::configuredServers(), kernel->pollInterval());
    QorvCSNUTPowerSourceProvider::setFollowingChoice(nut);
    providers.push_back(std::move(nut));
    providers.push_back(std::make_shared<QorvCSUPowerPowerSourceProvider>());
    return std::make_shared<QorvCSCombinedPowerSourceService>(std::move(kernel), std::move(providers));
}

namespace {

std::set<std::string, std::less<>> namesAndPaths(const std::vector<QorvCSPowerSupply>& supplies)
{
    std::set<std::string, std::less<>> known;
    for (const auto& supply : supplies) {
        known.insert(supply.name);
        known.insert(supply.sysPath);
    }
    return known;
}

// Follows the kernel's change source and every provider; one callback for all.
class QorvCSCombinedChangeSource : public QorvCSPowerSourceChangeSource,
                                   public std::enable_shared_from_this<QorvCSCombinedChangeSource> {
public:
    QorvCSCombinedChangeSource(std::shared_ptr<QorvCSPowerSourceChangeSource> kernelSource,
        std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> providers, Callback callback, void* context)
        : m_kernelSource(std::move(kernelSource))
        , m_providers(std::move(providers))
        , m_callback(callback)
        , m_context(context)
    { }
    ~QorvCSCombinedChangeSource() override
    {
        if (m_runLoop)
            unschedule(*m_runLoop);
    }

    void schedule(qorv::RunLoop& runLoop) override
    {
        if (m_runLoop)
            return;
        m_runLoop = &runLoop;
        if (m_kernelSource)
            m_kernelSource->schedule(runLoop);
        std::weak_ptr<QorvCSCombinedChangeSource> weak = weak_from_this();
        for (const auto& provider : m_providers)
            provider->start(runLoop, [weak] {
                if (auto self = weak.lock(); self && self->m_runLoop)
                    self->m_callback(self->m_context);
            });
    }
    void unschedule(qorv::RunLoop& runLoop) override
    {
        if (m_runLoop != &runLoop)
            return;
        for (const auto& provider : m_providers)
            provider->stop();
        if (m_kernelSource)
            m_kernelSource->unschedule(runLoop);
        m_runLoop = nullptr;
    }
    bool isScheduled() const override { return m_runLoop != nullptr; }

private:
    std::shared_ptr<QorvCSPowerSourceChangeSource> m_kernelSource;
    std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> m_providers;
    Callback m_callback;
    void* m_context;
    qorv::RunLoop* m_runLoop = nullptr;
};

} // namespace

QorvCSCombinedPowerSourceService::QorvCSCombinedPowerSourceService(
    std::shared_ptr<QorvCSLinuxPowerSourceService> kernel,
    std::vector<std::shared_ptr<QorvCSPowerSourceProvider>> providers)
    : m_kernel(std::move(kernel))
    , m_providers(std::move(providers))
{ }

qorv::Value::Array QorvCSCombinedPowerSourceService::copyPowerSourceDescriptions()
{
    return copyDescriptions().powerSources;
}

qorv::Value QorvCSCombinedPowerSourceService::copyExternalPowerAdapterDetails()
{
    return m_kernel->copyExternalPowerAdapterDetails();
}

QorvCSPowerSourceService::Descriptions QorvCSCombinedPowerSourceService::copyDescriptions()
{
    const auto supplies = m_kernel->takeReading();
    Descriptions descriptions { QorvCSPowerSupplyDescription::powerSources(supplies),
        QorvCSPowerSupplyDescription::powerAdapter(supplies) };
    const auto known = namesAndPaths(supplies);
    for (const auto& provider : m_providers)
        for (auto& source : provider->powerSources(known))
            descriptions.powerSources.push_back(std::move(source));
    return descriptions;
}

bool QorvCSCombinedPowerSourceService::isAwaitingFirstReading() const
{
    for (const auto& provider : m_providers)
        if (provider->isAwaitingFirstReading())
            return true;
    return false;
}

std::shared_ptr<QorvCSPowerSourceChangeSource> QorvCSCombinedPowerSourceService::createChangeSource(
    QorvCSPowerSourceChangeSource::Callback callback, void* context)
{
    if (!callback)
        return nullptr;
    return std::make_shared<QorvCSCombinedChangeSource>(
        m_kernel->createChangeSource(callback, context), m_providers, callback, context);
}
