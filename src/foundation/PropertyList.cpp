#include "PropertyList.h"

#include "AtomicFile.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qorv {

namespace {

struct PlistFree {
    void operator()(plist_t p) const
    {
        if (p)
            plist_free(p);
    }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

Value fromPlist(plist_t node, int depth)
{
    if (!node || depth > 512)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        // libplist keeps integers unsigned; negative numbers come back as their two's complement.
        return Value(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        Value v(s ? std::string(s) : std::string());
        std::free(s);
        return v;
    }
    case PLIST_KEY: {
        char* s = nullptr;
        plist_get_key_val(node, &s);
        Value v(s ? std::string(s) : std::string());
        std::free(s);
        return v;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        Value v(Value::Data { std::string(bytes ? bytes : "", bytes ? length : 0) });
        std::free(bytes);
        return v;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(Value::Date { sec + usec / 1e6 });
    }
    case PLIST_ARRAY: {
        Value::Array array;
        const uint32_t n = plist_array_get_size(node);
        array.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            Value e = fromPlist(plist_array_get_item(node, i), depth + 1);
            if (!e.isNull())
                array.push_back(std::move(e));
        }
        return Value(std::move(array));
    }
    case PLIST_DICT: {
        Value::Dictionary dict;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return Value(std::move(dict));
        for (;;) {
            char* key = nullptr;
            plist_t val = nullptr;
            plist_dict_next_item(node, it, &key, &val);
            if (!val) {
                std::free(key);
                break;
            }
            Value e = fromPlist(val, depth + 1);
            if (key && !e.isNull())
                dict.insert_or_assign(std::string(key), std::move(e));
            std::free(key);
        }
        std::free(it);
        return Value(std::move(dict));
    }
    default:
        return {};
    }
}

plist_t toPlist(const Value& v)
{
    switch (v.type()) {
    case Value::Type::Null:
        return nullptr;
    case Value::Type::Boolean:
        return plist_new_bool(*v.asBoolean() ? 1 : 0);
    case Value::Type::Integer:
        return plist_new_uint(static_cast<uint64_t>(*v.asInteger()));
    case Value::Type::Real:
        return plist_new_real(*v.asReal());
    case Value::Type::String:
        return plist_new_string(v.asString()->c_str());
    case Value::Type::Date: {
        const double s = v.asDate()->secondsSinceReferenceDate;
        const double clamped = std::max<double>(
            std::numeric_limits<int32_t>::min(), std::min<double>(std::numeric_limits<int32_t>::max(), s));
        const auto sec = static_cast<int32_t>(std::floor(clamped));
        return plist_new_date(sec, static_cast<int32_t>((clamped - sec) * 1e6));
    }
    case Value::Type::Data:
        return plist_new_data(v.asData()->bytes.data(), v.asData()->bytes.size());
    case Value::Type::Array: {
        plist_t a = plist_new_array();
        for (const auto& e : *v.asArray())
            if (plist_t n = toPlist(e))
                plist_array_append_item(a, n);
        return a;
    }
    case Value::Type::Dictionary: {
        plist_t d = plist_new_dict();
        for (const auto& [k, e] : *v.asDictionary())
            if (plist_t n = toPlist(e))
                plist_dict_set_item(d, k.c_str(), n);
        return d;
    }
    }
    return nullptr;
}

bool looksLikeXML(std::string_view bytes)
{
    size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        i = 3;
    while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i])))
        ++i;
    return i < bytes.size() && bytes[i] == '<';
}

} // namespace

const char* typeName(Value::Type type)
{
    switch (type) {
    case Value::Type::Null:
        return "nothing";
    case Value::Type::Boolean:
        return "boolean";
    case Value::Type::Integer:
        return "integer";
    case Value::Type::Real:
        return "real";
    case Value::Type::String:
        return "string";
    case Value::Type::Date:
        return "date";
    case Value::Type::Data:
        return "data";
    case Value::Type::Array:
        return "array";
    case Value::Type::Dictionary:
        return "dictionary";
    }
    return "unknown";
}

PropertyList::Result PropertyList::parse(std::string_view bytes)
{
    if (bytes.empty())
        return { {}, "empty input" };
    if (bytes.size() > std::numeric_limits<uint32_t>::max())
        return { {}, "input too large" };
    plist_t root = nullptr;
    const auto length = static_cast<uint32_t>(bytes.size());
    if (plist_is_binary(bytes.data(), length))
        plist_from_bin(bytes.data(), length, &root);
    else if (looksLikeXML(bytes))
        plist_from_xml(bytes.data(), length, &root);
    else
        return { {}, "not a property list" };
    PlistPtr holder(root);
    if (!root)
        return { {}, "malformed property list" };
    Value v = fromPlist(root, 0);
    if (v.isNull())
        return { {}, "unsupported property-list root" };
    return { std::move(v), {} };
}

PropertyList::Result PropertyList::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return { {}, std::string("cannot open: ") + std::strerror(errno) };
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return { {}, "read error" };
    return parse(buffer.str());
}

static std::string withArticle(Value::Type type)
{
    const std::string name = typeName(type);
    return (name == "array" || name == "integer" ? "an " : "a ") + name;
}

PropertyList::Result PropertyList::readFile(const std::string& path, Value::Type requiredRoot)
{
    Result r = readFile(path);
    if (r && r.value.type() != requiredRoot)
        return { {}, std::string("root is ") + withArticle(r.value.type()) + ", not " + withArticle(requiredRoot) };
    return r;
}

std::string PropertyList::toXML(const Value& value)
{
    PlistPtr root(toPlist(value));
    if (!root)
        root.reset(plist_new_dict());
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    std::string out(xml ? xml : "", xml ? length : 0);
    plist_to_xml_free(xml);
    return out;
}

std::string PropertyList::writeXMLFile(const std::string& path, const Value& value)
{
    return writeFileAtomically(path, toXML(value));
}

} // namespace qorv
