#pragma once

#include "QorvCSHistorySample.h"

#include "foundation/Value.h"

#include <optional>
#include <string>

// What one power-source description (the IOKit key vocabulary) gives the history: who the source is, its sample
// and its capacity.
class QorvCSHistoryReading {
public:
    explicit QorvCSHistoryReading(const qorv::Value::Dictionary& description)
        : m_description(description)
    { }

    // A name for the source that outlives boots and the kernel's renaming (BAT0 becoming BAT1): the manufacturer,
    // model and serial number when the battery has a serial; else its model, type and the name the bridge gave it.
    // Empty when the description says too little to tell sources apart.
    std::string identity() const;

    // The sample at `time`; nullopt for a source that reports no charge (an adapter).
    std::optional<QorvCSHistorySample> sample(int64_t time) const;
    // The capacity at `time`; nullopt when neither the full nor the design capacity is known.
    std::optional<QorvCSHistoryCapacity> capacity(int64_t time) const;

private:
    std::optional<std::string> text(std::string_view key) const;
    std::optional<double> number(std::string_view key) const;

    const qorv::Value::Dictionary& m_description;
};
