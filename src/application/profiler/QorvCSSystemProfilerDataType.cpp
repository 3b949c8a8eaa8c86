#include "QorvCSSystemProfilerDataType.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <algorithm>
#include <cmath>

namespace {

std::string textOf(const qorv::Value& value)
{
    if (const auto* s = value.asString())
        return *s;
    return value.description();
}

// "_order" values compare by kind: absent first, then numbers (booleans count as numbers), strings, dates,
// and anything else; within a kind numbers numerically, strings by character, dates by time. Values of other
// kinds are equal among themselves. This keeps the ordering strict and weak whatever the tool writes.
int orderRank(const qorv::Value* order)
{
    if (!order || order->isNull())
        return 0;
    switch (order->type()) {
    case qorv::Value::Type::Boolean:
    case qorv::Value::Type::Integer:
    case qorv::Value::Type::Real:
        return 1;
    case qorv::Value::Type::String:
        return 2;
    case qorv::Value::Type::Date:
        return 3;
    default:
        return 4;
    }
}

template <typename T> int compareValues(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareNumbers(const qorv::Value& a, const qorv::Value& b)
{
    const bool aIsReal = a.type() == qorv::Value::Type::Real;
    const bool bIsReal = b.type() == qorv::Value::Type::Real;
    if (!aIsReal && !bIsReal) {
        // An integer above INT64_MAX has no signed form and is larger than every one that has.
        const auto x = a.asInteger(), y = b.asInteger();
        if (x && y)
            return compareValues(*x, *y);
        if (!x && !y)
            return compareValues(*a.asUnsigned(), *b.asUnsigned());
        return x ? -1 : 1;
    }
    const double x = *a.asReal();
    const double y = *b.asReal();
    // Not-a-number sorts before every number, so the comparison stays a strict weak ordering.
    if (std::isnan(x) || std::isnan(y))
        return compareValues(!std::isnan(x), !std::isnan(y));
    return compareValues(x, y);
}

int compareOrders(const qorv::Value* a, const qorv::Value* b)
{
    const int rankA = orderRank(a);
    const int rankB = orderRank(b);
    if (rankA != rankB)
        return compareValues(rankA, rankB);
    switch (rankA) {
    case 1:
        return compareNumbers(*a, *b);
    case 2: {
        const int c = a->asString()->compare(*b->asString());
        return (c > 0) - (c < 0);
    }
    case 3:
        return compareValues(a->asDate()->secondsSinceReferenceDate, b->asDate()->secondsSinceReferenceDate);
    default:
        return 0;
    }
}

} // namespace

QorvCSSystemProfilerDataType::QorvCSSystemProfilerDataType(qorv::Value aRawDataType)
{
    setRawDataType(std::move(aRawDataType));
}

void QorvCSSystemProfilerDataType::setRawDataType(qorv::Value rawDataType)
{
    QorvAssert(rawDataType.isDictionary(), "Invalid parameter not satisfying: %@", "aRawDataType");
    m_rawDataType = std::move(rawDataType);
}

qorv::Value QorvCSSystemProfilerDataType::rawObjectForKey(std::string_view key, qorv::Value defaultValue) const
{
    if (const auto* value = m_rawDataType.find(key))
        return *value;
    // Looked up at every rendering: written once per data type and entry, and never the whole of a large one.
    const qorv::Value* name = m_rawDataType.find("_dataType");
    qorv::logOnce(qorv::format("%@ %@ %@ %@", className(), key, name ? *name : qorv::Value(),
                      m_rawDataType.asDictionary()->size()),
        [&] { return qorv::format("%@ missing %@ entry: %@", className(), key, m_rawDataType); });
    return defaultValue;
}

qorv::Value::Dictionary QorvCSSystemProfilerDataType::rawCombinedItems() const
{
    qorv::Value::Dictionary combined;
    const qorv::Value items = rawObjectForKey("_items", qorv::Value::Array {});
    const auto* list = items.asArray();
    if (!list)
        return combined;
    for (const auto& item : *list) {
        const auto* entries = item.asDictionary();
        if (!entries)
            continue;
        for (const auto& [key, value] : *entries)
            combined.insert_or_assign(key, value);
    }
    return combined;
}

std::vector<std::string> QorvCSSystemProfilerDataType::orderedKeys() const
{
    const qorv::Value properties = rawObjectForKey("_properties", qorv::Value::Dictionary {});
    const auto* descriptions = properties.asDictionary();
    if (!descriptions)
        return {};
    struct Entry {
        const std::string* name;
        const qorv::Value* order;
    };
    std::vector<Entry> entries;
    entries.reserve(descriptions->size());
    for (const auto& [name, description] : *descriptions)
        entries.push_back({ &name, description.find("_order") });
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (const int c = compareOrders(a.order, b.order))
            return c < 0;
        return *a.name < *b.name;
    });
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    for (const auto& entry : entries)
        keys.push_back(*entry.name);
    return keys;
}

std::string QorvCSSystemProfilerDataType::dataType() const
{
    return textOf(rawObjectForKey("_dataType", "Untitled"));
}

std::string QorvCSSystemProfilerDataType::name() const
{
    const auto combined = rawCombinedItems();
    if (auto it = combined.find("_name"); it != combined.end())
        return textOf(it->second);
    return dataType();
}

qorv::Value::Dictionary QorvCSSystemProfilerDataType::items() const
{
    auto combined = rawCombinedItems();
    std::erase_if(combined, [](const auto& entry) { return entry.first.starts_with('_'); });
    return combined;
}

qorv::Value::Array QorvCSSystemProfilerDataType::orderedItems() const
{
    auto remaining = items();
    qorv::Value::Array records;
    records.reserve(remaining.size());
    auto append = [&records](const std::string& name, qorv::Value value) {
        qorv::Value::Dictionary record;
        record.emplace(QorvCSSystemProfilerDataTypeItemName, name);
        record.emplace(QorvCSSystemProfilerDataTypeItemValue, std::move(value));
        records.emplace_back(std::move(record));
    };
    for (const auto& name : orderedKeys()) {
        auto it = remaining.find(name);
        if (it == remaining.end())
            continue;
        append(name, std::move(it->second));
        remaining.erase(it);
    }
    // The map keeps the rest sorted by name already.
    for (auto& [name, value] : remaining)
        append(name, std::move(value));
    return records;
}
