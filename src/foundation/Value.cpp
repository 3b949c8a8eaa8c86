#include "Value.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qorv {

const Value::Array* Value::asArray() const
{
    auto p = std::get_if<std::shared_ptr<Array>>(&m_storage);
    return p ? p->get() : nullptr;
}

Value::Array* Value::asArray()
{
    auto p = std::get_if<std::shared_ptr<Array>>(&m_storage);
    if (!p)
        return nullptr;
    if (p->use_count() > 1)
        *p = std::make_shared<Array>(**p);
    return p->get();
}

const Value::Dictionary* Value::asDictionary() const
{
    auto p = std::get_if<std::shared_ptr<Dictionary>>(&m_storage);
    return p ? p->get() : nullptr;
}

Value::Dictionary* Value::asDictionary()
{
    auto p = std::get_if<std::shared_ptr<Dictionary>>(&m_storage);
    if (!p)
        return nullptr;
    if (p->use_count() > 1)
        *p = std::make_shared<Dictionary>(**p);
    return p->get();
}

std::optional<int64_t> Value::asInteger() const
{
    if (auto i = std::get_if<int64_t>(&m_storage))
        return *i;
    if (auto d = std::get_if<double>(&m_storage)) {
        if (std::isfinite(*d) && *d >= -9.2e18 && *d <= 9.2e18)
            return static_cast<int64_t>(*d);
        return std::nullopt;
    }
    if (auto b = std::get_if<bool>(&m_storage))
        return *b ? 1 : 0;
    return std::nullopt;
}

std::optional<uint64_t> Value::asUnsigned() const
{
    if (auto u = std::get_if<uint64_t>(&m_storage))
        return *u;
    if (auto i = std::get_if<int64_t>(&m_storage); i && *i >= 0)
        return static_cast<uint64_t>(*i);
    return std::nullopt;
}

std::optional<double> Value::asReal() const
{
    if (auto u = std::get_if<uint64_t>(&m_storage))
        return static_cast<double>(*u);
    if (auto d = std::get_if<double>(&m_storage))
        return *d;
    if (auto i = std::get_if<int64_t>(&m_storage))
        return static_cast<double>(*i);
    if (auto b = std::get_if<bool>(&m_storage))
        return *b ? 1.0 : 0.0;
    return std::nullopt;
}

const std::string& Value::stringOr(const std::string& fallback) const
{
    auto s = asString();
    return s ? *s : fallback;
}

const Value* Value::find(std::string_view key) const
{
    auto d = asDictionary();
    if (!d)
        return nullptr;
    auto it = d->find(key);
    return it == d->end() ? nullptr : &it->second;
}

const Value* Value::at(size_t index) const
{
    auto a = asArray();
    if (!a || index >= a->size())
        return nullptr;
    return &(*a)[index];
}

namespace {

bool needsQuotes(const std::string& s)
{
    if (s.empty())
        return true;
    for (unsigned char c : s) {
        if (!(std::isalnum(c) || c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c == '-'))
            return true;
    }
    return false;
}

std::string quoted(const std::string& s)
{
    if (!needsQuotes(s))
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
    return out;
}

void describe(const Value& v, std::string& out, int indent, bool nested)
{
    const std::string pad(static_cast<size_t>(indent) * 4, ' ');
    switch (v.type()) {
    case Value::Type::Null:
        out += "(null)";
        return;
    case Value::Type::String:
        out += nested ? quoted(*v.asString()) : *v.asString();
        return;
    case Value::Type::Array: {
        const auto& a = *v.asArray();
        if (a.empty()) {
            out += "(\n" + pad + ")";
            return;
        }
        out += "(\n";
        for (size_t i = 0; i < a.size(); ++i) {
            out += pad + "    ";
            describe(a[i], out, indent + 1, true);
            out += i + 1 < a.size() ? ",\n" : "\n";
        }
        out += pad + ")";
        return;
    }
    case Value::Type::Dictionary: {
        out += "{\n";
        for (const auto& [k, e] : *v.asDictionary()) {
            out += pad + "    " + quoted(k) + " = ";
            describe(e, out, indent + 1, true);
            out += ";\n";
        }
        out += pad + "}";
        return;
    }
    default:
        out += v.description();
    }
}

} // namespace

std::string Value::description() const
{
    switch (type()) {
    case Type::Null:
        return "(null)";
    case Type::Boolean:
        return *asBoolean() ? "1" : "0";
    case Type::Integer:
        if (auto u = std::get_if<uint64_t>(&m_storage))
            return std::to_string(*u);
        return std::to_string(std::get<int64_t>(m_storage));
    case Type::Real: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", std::get<double>(m_storage));
        // Shortest form that reads back the same value, as the platform prints numbers: without an exponent
        // while the number has up to 17 integer digits and is not tiny ("10", not "1e+01").
        const double d = std::get<double>(m_storage);
        const bool plain = std::fabs(d) >= 1e-4 && std::fabs(d) < 1e17;
        for (int precision = 1; precision <= 17; ++precision) {
            char shortBuf[64];
            std::snprintf(shortBuf, sizeof shortBuf, "%.*g", precision, d);
            if (std::strtod(shortBuf, nullptr) == d && !(plain && std::strchr(shortBuf, 'e')))
                return shortBuf;
        }
        return buf;
    }
    case Type::String:
        return *asString();
    case Type::Date: {
        // 978307200 is 2001-01-01 in Unix time.
        const double unixSeconds = std::floor(asDate()->secondsSinceReferenceDate) + 978307200.0;
        if (!(unixSeconds > -6.2e10 && unixSeconds < 2.5e11))
            return "(invalid date)";
        const std::time_t t = static_cast<std::time_t>(unixSeconds);
        std::tm tm {};
        gmtime_r(&t, &tm);
        char buf[64];
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S +0000", &tm);
        return buf;
    }
    case Type::Data: {
        static const char hex[] = "0123456789abcdef";
        std::string out = "{length = " + std::to_string(asData()->bytes.size()) + ", bytes = 0x";
        size_t shown = 0;
        for (unsigned char c : asData()->bytes) {
            if (shown++ == 32) {
                out += "...";
                break;
            }
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        return out + "}";
    }
    case Type::Array:
    case Type::Dictionary: {
        std::string out;
        describe(*this, out, 0, false);
        return out;
    }
    }
    return {};
}

bool Value::operator==(const Value& other) const
{
    if (type() != other.type())
        return false;
    switch (type()) {
    case Type::Array:
        return *asArray() == *other.asArray();
    case Type::Dictionary:
        return *asDictionary() == *other.asDictionary();
    default:
        return m_storage == other.m_storage;
    }
}

} // namespace qorv
