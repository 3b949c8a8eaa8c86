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

class JsonReader {
public:
    explicit JsonReader(std::string_view text)
        : m_text(text)
    { }

    std::optional<qorv::Value> document()
    {
        auto value = parse(0);
        skipSpace();
        if (!value || m_at != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    void skipSpace()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }
    bool take(char c)
    {
        skipSpace();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool word(std::string_view w)
    {
        if (m_text.substr(m_at, w.size()) != w)
            return false;
        m_at += w.size();
        return true;
    }
    std::optional<std::string> string()
    {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                return std::nullopt;
            const char e = m_text[m_at++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                if (m_at + 4 > m_text.size())
                    return std::nullopt;
                const unsigned code
                    = static_cast<unsigned>(std::stoul(std::string(m_text.substr(m_at, 4)), nullptr, 16));
                m_at += 4;
                if (code >= 0x80)
                    return std::nullopt; // the writer escapes control characters only
                out += static_cast<char>(code);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<qorv::Value> parse(int depth)
    {
        skipSpace();
        if (depth > 64 || m_at >= m_text.size())
            return std::nullopt;
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            qorv::Value::Dictionary dictionary;
            if (take('}'))
                return qorv::Value(std::move(dictionary));
            do {
                auto key = string();
                if (!key || !take(':'))
                    return std::nullopt;
                auto value = parse(depth + 1);
                if (!value)
                    return std::nullopt;
                dictionary.insert_or_assign(*key, std::move(*value));
            } while (take(','));
            return take('}') ? std::optional(qorv::Value(std::move(dictionary))) : std::nullopt;
        }
        if (c == '[') {
            ++m_at;
            qorv::Value::Array array;
            if (take(']'))
                return qorv::Value(std::move(array));
            do {
                auto value = parse(depth + 1);
                if (!value)
                    return std::nullopt;
                array.push_back(std::move(*value));
            } while (take(','));
            return take(']') ? std::optional(qorv::Value(std::move(array))) : std::nullopt;
        }
        if (c == '"') {
            auto text = string();
            return text ? std::optional(qorv::Value(*text)) : std::nullopt;
        }
        if (word("true"))
            return qorv::Value(true);
        if (word("false"))
            return qorv::Value(false);
        if (word("null"))
            return qorv::Value(nullptr);
        const size_t start = m_at;
        bool real = false;
        while (m_at < m_text.size()
            && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '-' || m_text[m_at] == '+'
                || m_text[m_at] == '.' || m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            real = real || m_text[m_at] == '.' || m_text[m_at] == 'e' || m_text[m_at] == 'E';
            ++m_at;
        }
        if (start == m_at)
            return std::nullopt;
        const std::string number(m_text.substr(start, m_at - start));
        if (real)
            return qorv::Value(std::stod(number));
        return qorv::Value(static_cast<long long>(std::stoll(number)));
    }

    std::string_view m_text;
    size_t m_at = 0;
};

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

std::optional<qorv::Value> parseJson(std::string_view text)
{
    return JsonReader(text).document();
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
