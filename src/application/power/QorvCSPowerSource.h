#pragma once

#include "foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// One power source (an internal battery, a UPS, an accessory's battery) as the bridge described it.
// Immutable in practice: a refresh makes new objects rather than changing old ones.
class QorvCSPowerSource {
public:
    // aRawSource: the description dictionary; a null value fails "Invalid parameter not satisfying: aRawSource".
    explicit QorvCSPowerSource(qorv::Value aRawSource);
    virtual ~QorvCSPowerSource() = default;
    QorvCSPowerSource(const QorvCSPowerSource&) = delete;
    QorvCSPowerSource& operator=(const QorvCSPowerSource&) = delete;

    static std::shared_ptr<QorvCSPowerSource> powerSourceWithRawSource(qorv::Value aRawSource);

    virtual std::string_view className() const { return "QorvCSPowerSource"; }

    // The value under "Power Source ID" as stored (usually an integer); else the name.
    virtual qorv::Value uniqueID() const;
    // The value under "Name"; else the localised "QorvCSPowerSource.Name".
    virtual std::string name() const;

    const qorv::Value& rawSource() const { return m_rawSource; }
    void setRawSource(qorv::Value rawSource) { m_rawSource = std::move(rawSource); }

protected:
    // The text of the value under key, or nullopt when the description has none.
    std::optional<std::string> textForKey(std::string_view key) const;

private:
    qorv::Value m_rawSource;
};
