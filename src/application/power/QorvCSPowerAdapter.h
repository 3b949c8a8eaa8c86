#pragma once

#include "QorvCSPowerSource.h"

// The connected external power adapter. Its description uses other keys than a power source's.
class QorvCSPowerAdapter : public QorvCSPowerSource {
public:
    using QorvCSPowerSource::QorvCSPowerSource;

    static std::shared_ptr<QorvCSPowerAdapter> powerSourceWithRawSource(qorv::Value aRawSource);

    std::string_view className() const override { return "QorvCSPowerAdapter"; }

    // The value under "SerialNumber"; else the name.
    qorv::Value uniqueID() const override;
    // "QorvCSPowerSource.AdapterNameFormat" filled with "FamilyCode"; without one the localised
    // "QorvCSPowerSource.Name". The adapter's own "Name" is not used.
    std::string name() const override;
};
