#include "QorvCSPowerSourceBridge.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"

void QorvCSPowerSourceBridgeCallback(void* context)
{
    if (!context)
        return;
    auto* bridge = static_cast<QorvCSPowerSourceBridge*>(context);
    qorv::NotificationCenter::defaultCenter().post(
        std::string(QorvCSPowerSourceBridgeNotificationSourcesDidChange), bridge);
    // Once per bridge: notices come with every reading.
    qorv::logOnce(qorv::format("notified: %p", static_cast<const void*>(bridge)));
}

QorvCSPowerSourceBridge::QorvCSPowerSourceBridge()
    : QorvCSPowerSourceBridge(QorvCSPowerSourceService::systemService())
{ }

QorvCSPowerSourceBridge::QorvCSPowerSourceBridge(std::shared_ptr<QorvCSPowerSourceService> service)
    : m_service(std::move(service))
{
    setRunLoop(&qorv::RunLoop::main());
    // Without a change source the bridge can still be read; it just never notifies.
    if (m_service)
        setPowerSourceLoop(m_service->createChangeSource(QorvCSPowerSourceBridgeCallback, this));
}

QorvCSPowerSourceBridge::~QorvCSPowerSourceBridge()
{
    // Unschedule while the run loop is still known, so the callback can never reach a dead bridge.
    setPowerSourceLoop(nullptr);
    setRunLoop(nullptr);
}

void QorvCSPowerSourceBridge::setPowerSourceLoop(std::shared_ptr<QorvCSPowerSourceChangeSource> powerSourceLoop)
{
    if (powerSourceLoop == m_powerSourceLoop)
        return;
    if (m_powerSourceLoop) {
        if (m_runLoop)
            m_powerSourceLoop->unschedule(*m_runLoop);
        m_powerSourceLoop.reset();
    }
    m_powerSourceLoop = std::move(powerSourceLoop);
    if (m_powerSourceLoop && m_runLoop)
        m_powerSourceLoop->schedule(*m_runLoop);
}

std::optional<std::string> QorvCSPowerSourceBridge::debugPathFor(std::string_view suffix) const
{
    return qorv::Bundle::main().pathForResource(qorv::format("%@%@", className(), suffix), "plist");
}

std::optional<qorv::Value::Array> QorvCSPowerSourceBridge::debugPowerSources() const
{
    auto path = debugPathFor("PowerSources");
    if (!path)
        return std::nullopt;
    auto result = qorv::PropertyList::readFile(*path, qorv::Value::Type::Array);
    if (!result)
        return std::nullopt;
    return *result.value.asArray();
}

qorv::Value QorvCSPowerSourceBridge::debugPowerAdapter() const
{
    auto path = debugPathFor("PowerAdapter");
    if (!path)
        return {};
    auto result = qorv::PropertyList::readFile(*path, qorv::Value::Type::Dictionary);
    return result ? result.value : qorv::Value();
}

qorv::Value::Array QorvCSPowerSourceBridge::rawPowerSources() const
{
    if (auto debug = debugPowerSources())
        return *debug;
    return m_service ? m_service->copyPowerSourceDescriptions() : qorv::Value::Array {};
}

QorvCSPowerSourceService::Descriptions QorvCSPowerSourceBridge::rawDescriptions() const
{
    auto debugSources = debugPowerSources();
    qorv::Value debugAdapter = debugPowerAdapter();
    QorvCSPowerSourceService::Descriptions descriptions;
    if (m_service && (!debugSources || debugAdapter.isNull()))
        descriptions = m_service->copyDescriptions();
    if (debugSources)
        descriptions.powerSources = std::move(*debugSources);
    if (!debugAdapter.isNull())
        descriptions.powerAdapter = std::move(debugAdapter);
    return descriptions;
}

qorv::Value QorvCSPowerSourceBridge::rawPowerAdapter() const
{
    if (auto debug = debugPowerAdapter())
        return debug;
    return m_service ? m_service->copyExternalPowerAdapterDetails() : qorv::Value();
}
