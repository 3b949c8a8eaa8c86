#pragma once

#include "foundation/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Keys of an ordered item record.
inline constexpr std::string_view QorvCSSystemProfilerDataTypeItemName = "name";
inline constexpr std::string_view QorvCSSystemProfilerDataTypeItemValue = "value";

// One data-type dictionary of the system profiler's output: "_dataType" (identifier), "_items" (item
// dictionaries whose keys not starting with "_" are properties) and "_properties" (property name to a
// description whose "_order" places it). Every answer is computed afresh from the raw dictionary, which never
// changes; an instance is built on one thread and then only read, on one thread at a time.
class QorvCSSystemProfilerDataType {
public:
    // aRawDataType must be a dictionary.
    explicit QorvCSSystemProfilerDataType(qorv::Value aRawDataType);
    virtual ~QorvCSSystemProfilerDataType() = default;

    static std::shared_ptr<QorvCSSystemProfilerDataType> systemProfilerDataTypeWithRawDataType(qorv::Value aRawDataType)
    {
        return std::make_shared<QorvCSSystemProfilerDataType>(std::move(aRawDataType));
    }

    virtual std::string_view className() const { return "QorvCSSystemProfilerDataType"; }

    // The raw entry for key, or defaultValue with a log line when there is none.
    qorv::Value rawObjectForKey(std::string_view key, qorv::Value defaultValue) const;
    // Every item dictionary merged in order; a later item's value wins.
    qorv::Value::Dictionary rawCombinedItems() const;
    // The names described in "_properties", by "_order" (numbers numerically, strings as text; none first),
    // then by name.
    std::vector<std::string> orderedKeys() const;

    // The identifier, "Untitled" when the output has none.
    std::string dataType() const;
    // The items' "_name", else the identifier.
    std::string name() const;
    // The combined items without the tool's internal "_" keys.
    qorv::Value::Dictionary items() const;
    // Records {"name": property, "value": value}: described properties in presentation order, then the rest by
    // name. Every property appears once.
    qorv::Value::Array orderedItems() const;

    const qorv::Value& rawDataType() const { return m_rawDataType; }
    void setRawDataType(qorv::Value rawDataType);

private:
    qorv::Value m_rawDataType;
};
