#include "QorvCSPowerAdapter.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

std::shared_ptr<QorvCSPowerAdapter> QorvCSPowerAdapter::powerSourceWithRawSource(qorv::Value aRawSource)
{
    QorvParameterAssert(aRawSource);
    return std::make_shared<QorvCSPowerAdapter>(std::move(aRawSource));
}

qorv::Value QorvCSPowerAdapter::uniqueID() const
{
    if (const qorv::Value* value = rawSource().find("SerialNumber"))
        return *value;
    return name();
}

std::string QorvCSPowerAdapter::name() const
{
    const auto& bundle = qorv::Bundle::main();
    if (const qorv::Value* family = rawSource().find("FamilyCode"))
        return qorv::format(bundle.localizedString("QorvCSPowerSource.AdapterNameFormat"), *family);
    return bundle.localizedString("QorvCSPowerSource.Name");
}
