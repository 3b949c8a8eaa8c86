#include "QorvCSPowerSource.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"

QorvCSPowerSource::QorvCSPowerSource(qorv::Value aRawSource)
{
    QorvParameterAssert(aRawSource);
    setRawSource(std::move(aRawSource));
}

std::shared_ptr<QorvCSPowerSource> QorvCSPowerSource::powerSourceWithRawSource(qorv::Value aRawSource)
{
    QorvParameterAssert(aRawSource);
    return std::make_shared<QorvCSPowerSource>(std::move(aRawSource));
}

std::optional<std::string> QorvCSPowerSource::textForKey(std::string_view key) const
{
    const qorv::Value* value = m_rawSource.find(key);
    if (!value || value->isNull())
        return std::nullopt;
    return value->description();
}

qorv::Value QorvCSPowerSource::uniqueID() const
{
    if (const qorv::Value* value = m_rawSource.find("Power Source ID"))
        return *value;
    return name();
}

std::string QorvCSPowerSource::name() const
{
    if (auto text = textForKey("Name"))
        return *text;
    return qorv::Bundle::main().localizedString("QorvCSPowerSource.Name");
}
