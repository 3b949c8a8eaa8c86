#include "QorvCSUPowerHistory.h"
#include "QorvCSHistoryReading.h"

#include <algorithm>

namespace {

QorvCSHistoryState stateFor(uint32_t upowerState)
{
    switch (upowerState) {
    case 1:
        return QorvCSHistoryState::Charging;
    case 2:
    case 3:
        return QorvCSHistoryState::Discharging;
    case 4:
        return QorvCSHistoryState::Charged;
    case 5:
    case 6:
        return QorvCSHistoryState::Idle;
    default:
        return QorvCSHistoryState::Unknown;
    }
}

bool byTime(const QorvCSUPowerHistoryClient::Point& a, const QorvCSUPowerHistoryClient::Point& b)
{
    return a.time < b.time;
}

} // namespace

size_t QorvCSUPowerHistory::import(QorvCSUPowerHistoryClient& client, QorvCSHistoryStore& store, int64_t now)
{
    QorvCSHistoryStore::Batch batch;
    for (const auto& device : client.devices()) {
        if (device.type != 2 || !device.powerSupply)
            continue;
        // The same identity the kernel's description of this battery gives; without a serial the two cannot be
        // matched for certain, and a wrong match would mix two batteries' histories.
        const qorv::Value::Dictionary description { { "Type", qorv::Value("InternalBattery") },
            { "manufacturer", qorv::Value(device.vendor) }, { "model_name", qorv::Value(device.model) },
            { "Hardware Serial Number", qorv::Value(device.serial) } };
        const std::string identity = QorvCSHistoryReading(description).identity();
        if (!identity.starts_with("serial"))
            continue;
        auto charge = client.history(device.path, "charge", timespan, resolution);
        auto rate = client.history(device.path, "rate", timespan, resolution);
        std::sort(charge.begin(), charge.end(), byTime);
        std::sort(rate.begin(), rate.end(), byTime);
        const auto own = store.samples(identity, now - timespan - covered, now + covered + 1);
        for (const auto& point : charge) {
            if (point.time < now - timespan || point.time > now || point.value < 0 || point.value > 100)
                continue;
            auto near = std::lower_bound(own.begin(), own.end(), point.time - covered,
                [](const QorvCSHistorySample& s, int64_t time) { return s.time < time; });
            if (near != own.end() && near->time <= point.time + covered)
                continue;
            QorvCSHistorySample sample { point.time, point.value, std::nullopt, stateFor(point.state) };
            // The nearest rate point, either side.
            auto after = std::lower_bound(rate.begin(), rate.end(), point, byTime);
            const QorvCSUPowerHistoryClient::Point* nearest = nullptr;
            if (after != rate.end())
                nearest = &*after;
            if (after != rate.begin() && (!nearest || point.time - (after - 1)->time < nearest->time - point.time))
                nearest = &*(after - 1);
            if (nearest && std::abs(nearest->time - point.time) <= rateDistance && nearest->value >= 0)
                sample.watts = nearest->value;
            batch.samples.push_back({ identity, sample });
        }
    }
    const size_t added = batch.samples.size();
    return store.write(batch) ? added : 0;
}
