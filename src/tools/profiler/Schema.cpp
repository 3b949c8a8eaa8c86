#include "Schema.h"

#include "Text.h"
#include "foundation/Assert.h"

#include <set>

namespace cellsheet::profiler {

namespace {

void collectKeys(const qorv::Value& value, std::set<std::string, std::less<>>& keys)
{
    if (const auto* dictionary = value.asDictionary()) {
        for (const auto& [key, entry] : *dictionary) {
            if (!key.empty() && key.front() != '_')
                keys.insert(key);
            collectKeys(entry, keys);
        }
    } else if (const auto* array = value.asArray()) {
        for (const auto& entry : *array)
            collectKeys(entry, keys);
    }
}

std::string orderText(size_t index)
{
    return std::to_string(100 + index * 10);
}

} // namespace

std::optional<DetailLevel> detailLevelNamed(std::string_view name)
{
    if (name == "mini")
        return DetailLevel::Mini;
    if (name == "basic")
        return DetailLevel::Basic;
    if (name == "full")
        return DetailLevel::Full;
    return std::nullopt;
}

std::string_view nameOf(DetailLevel level)
{
    switch (level) {
    case DetailLevel::Mini:
        return "mini";
    case DetailLevel::Basic:
        return "basic";
    case DetailLevel::Full:
        break;
    }
    return "full";
}

Schema::Schema(std::initializer_list<Property> properties)
    : m_properties(properties)
{
    // "_name" takes order 100 and the properties follow in steps of ten up to 990.
    QorvAssert(m_properties.size() <= 89, "schema has %d properties, at most 89 fit three-digit orders",
        static_cast<int>(m_properties.size()));
}

const Property* Schema::find(std::string_view key) const
{
    for (const auto& property : m_properties)
        if (property.key == key)
            return &property;
    return nullptr;
}

qorv::Value Schema::propertiesFor(const qorv::Value::Array& items) const
{
    std::set<std::string, std::less<>> used;
    for (const auto& item : items)
        collectKeys(item, used);
    qorv::Value::Dictionary properties;
    properties.emplace("_name", qorv::Value::Dictionary { { "_order", orderText(0) } });
    for (size_t i = 0; i < m_properties.size(); ++i)
        if (used.count(m_properties[i].key))
            properties.emplace(
                std::string(m_properties[i].key), qorv::Value::Dictionary { { "_order", orderText(i + 1) } });
    return properties;
}

Item::Item(const Schema& schema, DetailLevel level, std::string name)
    : m_schema(&schema)
    , m_level(level)
    , m_value(qorv::Value::Dictionary {})
{
    // Every text passes through Text::clean: names and values come from firmware, devices and file names, and
    // the output must hold valid UTF-8 without control characters.
    if (std::string cleaned = Text::clean(name); !cleaned.empty())
        m_value.asDictionary()->emplace("_name", std::move(cleaned));
}

bool Item::wants(std::string_view key) const
{
    const Property* property = m_schema->find(key);
    QorvAssert(property, "property %@ is not in the schema", std::string(key));
    return property->level <= m_level;
}

Item& Item::set(std::string_view key, qorv::Value value)
{
    if (!wants(key) || value.isNull())
        return *this;
    if (const auto* text = value.asString()) {
        std::string cleaned = Text::clean(*text);
        if (cleaned.empty())
            return *this;
        value = qorv::Value(std::move(cleaned));
    }
    m_value.asDictionary()->insert_or_assign(std::string(key), std::move(value));
    return *this;
}

void Item::add(Item child)
{
    auto& dictionary = *m_value.asDictionary();
    auto found = dictionary.find("_items");
    if (found == dictionary.end())
        found = dictionary.emplace("_items", qorv::Value::Array {}).first;
    found->second.asArray()->push_back(std::move(child.m_value));
}

void Item::markAsSettings()
{
    qorv::Value order = m_schema->propertiesFor(qorv::Value::Array { m_value });
    m_value.asDictionary()->insert_or_assign("_settings", std::move(order));
}

bool Item::isEmpty() const
{
    for (const auto& [key, value] : *m_value.asDictionary())
        if (key != "_name")
            return false;
    return true;
}

} // namespace cellsheet::profiler
