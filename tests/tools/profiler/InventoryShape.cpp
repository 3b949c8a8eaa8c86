#include "InventoryShape.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace cellsheet::profiler::testing {

namespace {

void collectKeys(const qorv::Value& value, std::set<std::string>& keys)
{
    if (const auto* dictionary = value.asDictionary()) {
        for (const auto& [key, entry] : *dictionary) {
            if (key.front() != '_')
                keys.insert(key);
            collectKeys(entry, keys);
        }
    } else if (const auto* array = value.asArray()) {
        for (const auto& entry : *array)
            collectKeys(entry, keys);
    }
}

void checkItems(const qorv::Value* items, const std::string& where, std::vector<std::string>& problems)
{
    if (!items || !items->isArray()) {
        problems.push_back(where + ": _items is not an array");
        return;
    }
    for (const auto& item : *items->asArray()) {
        const auto* name = item.find("_name");
        if (!item.isDictionary() || !name || !name->isString() || name->asString()->empty()) {
            problems.push_back(where + ": an item without a _name string");
            continue;
        }
        if (const auto* nested = item.find("_items"))
            checkItems(nested, where + "/" + *name->asString(), problems);
    }
}

} // namespace

std::vector<std::string> shapeProblems(const qorv::Value& inventory)
{
    std::vector<std::string> problems;
    if (!inventory.isArray())
        return { "the root is not an array" };
    for (const auto& dataType : *inventory.asArray()) {
        const auto* name = dataType.find("_dataType");
        if (!dataType.isDictionary() || !name || !name->isString()) {
            problems.push_back("a data type without a _dataType string");
            continue;
        }
        const std::string where = *name->asString();
        checkItems(dataType.find("_items"), where, problems);
        const auto* properties = dataType.find("_properties");
        if (!properties || !properties->isDictionary()) {
            problems.push_back(where + ": _properties is not a dictionary");
            continue;
        }
        for (const auto& [key, description] : *properties->asDictionary()) {
            const auto* order = description.find("_order");
            const std::string* text = order ? order->asString() : nullptr;
            if (!text || text->size() != 3 || !std::all_of(text->begin(), text->end(), ::isdigit))
                problems.push_back(where + ": " + key + " has no three-digit _order");
        }
        std::set<std::string> used;
        if (const auto* items = dataType.find("_items"))
            collectKeys(*items, used);
        for (const auto& key : used)
            if (!properties->find(key))
                problems.push_back(where + ": " + key + " is not described in _properties");
        const auto* stamp = dataType.find("_timeStamp");
        if (!stamp || !stamp->asDate())
            problems.push_back(where + ": _timeStamp is not a date");
        const auto* interval = dataType.find("_SPCompletionInterval");
        if (!interval || interval->type() != qorv::Value::Type::Real || *interval->asReal() < 0)
            problems.push_back(where + ": _SPCompletionInterval is not a duration");
    }
    return problems;
}

const qorv::Value* dataType(const qorv::Value& inventory, std::string_view name)
{
    if (const auto* array = inventory.asArray())
        for (const auto& entry : *array)
            if (const auto* type = entry.find("_dataType"); type && type->asString() && *type->asString() == name)
                return &entry;
    return nullptr;
}

const qorv::Value* firstItem(const qorv::Value& inventory, std::string_view name)
{
    const auto* type = dataType(inventory, name);
    const auto* items = type ? type->find("_items") : nullptr;
    return items ? items->at(0) : nullptr;
}

std::string property(const qorv::Value* item, std::string_view key)
{
    const auto* value = item ? item->find(key) : nullptr;
    return value ? value->description() : std::string();
}

} // namespace cellsheet::profiler::testing
