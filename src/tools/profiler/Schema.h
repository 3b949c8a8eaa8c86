#pragma once

#include "foundation/Value.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cellsheet::profiler {

// How much the inventory tells: mini leaves out everything that identifies the machine or its user (serial
// numbers, UUIDs, hardware and network addresses, names), basic adds those, full adds the technical detail.
enum class DetailLevel { Mini, Basic, Full };

std::optional<DetailLevel> detailLevelNamed(std::string_view name);
std::string_view nameOf(DetailLevel level);

struct Property {
    std::string_view key;
    DetailLevel level = DetailLevel::Mini;
};

// The properties one data type may write, in presentation order, each with the least detail level that shows it.
class Schema {
public:
    Schema(std::initializer_list<Property> properties);

    const Property* find(std::string_view key) const;
    // The "_properties" dictionary for these items: an entry for "_name" and for every key used in them (at any
    // depth), with "_order" as a number string. Every order has three digits, so ordering the strings as text
    // (as a reader of the list may) gives the same order as ordering them as numbers.
    qorv::Value propertiesFor(const qorv::Value::Array& items) const;

private:
    std::vector<Property> m_properties;
};

// One item of a data type under construction: "_name", the properties the detail level allows, nested "_items".
class Item {
public:
    Item(const Schema& schema, DetailLevel level, std::string name = {});

    // Whether the detail level shows the key; a collector can skip work for a key it would not write.
    bool wants(std::string_view key) const;
    // Sets a property unless the detail level hides it. Null values and empty strings are left out, since the
    // inventory never invents a value the system does not have. A key missing from the schema is a programming
    // error and raises an assertion.
    Item& set(std::string_view key, qorv::Value value);
    template <typename T> Item& set(std::string_view key, const std::optional<T>& value)
    {
        return value ? set(key, qorv::Value(*value)) : *this;
    }
    // Appends a nested item to "_items".
    void add(Item child);
    // Marks the item as the data type's own settings rather than a device: a collector that lists devices then
    // shows its properties as rows of the overview item instead of one summary line. Call it after the last set();
    // it keeps the properties' order with the item (under "_settings", never shown).
    void markAsSettings();

    const qorv::Value* find(std::string_view key) const { return m_value.find(key); }
    // True when nothing but the name was set.
    bool isEmpty() const;
    qorv::Value value() const { return m_value; }

private:
    const Schema* m_schema;
    DetailLevel m_level;
    qorv::Value m_value;
};

} // namespace cellsheet::profiler
