#include "PropertyList.h"

#include "AtomicFile.h"

#include "BinaryPropertyListReader.h"
#include "CleanText.h"
#include "RegularFile.h"
#include "XMLPropertyListReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace qorv {

namespace {

void indent(std::string& out, int depth)
{
    out.append(static_cast<size_t>(depth), '\t');
}

// Text in element content: clean (no invalid UTF-8, no control characters), markup escaped, and a carriage
// return as a reference so that it survives a reader's line-end normalisation.
void appendEscaped(std::string& out, std::string_view raw)
{
    std::string cleaned;
    if (!isCleanText(raw)) {
        cleaned = cleanText(raw);
        raw = cleaned;
    }
    for (char c : raw) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
}

void appendReal(std::string& out, double d)
{
    if (std::isnan(d)) {
        out += "nan";
        return;
    }
    if (std::isinf(d)) {
        out += d > 0 ? "+infinity" : "-infinity";
        return;
    }
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 17).ptr;
    out.append(buffer, end);
}

// Any date, not only those a 32-bit count of seconds reaches; years are written with at least four digits.
void appendDate(std::string& out, double secondsSinceReferenceDate)
{
    double unixSeconds = std::floor(secondsSinceReferenceDate) + 978307200.0;
    if (!std::isfinite(unixSeconds))
        unixSeconds = 978307200.0;
    // Beyond ±100 million years no calendar date makes sense; keep the arithmetic in range.
    unixSeconds = std::clamp(unixSeconds, -3.2e15, 3.2e15);
    const auto seconds = static_cast<int64_t>(unixSeconds);
    int64_t days = seconds / 86400;
    int64_t secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(year),
        static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(secondOfDay / 3600),
        static_cast<long long>(secondOfDay / 60 % 60), static_cast<long long>(secondOfDay % 60));
    out += buffer;
}

// Base64 in lines of 68 characters, each at the element's indentation.
void appendData(std::string& out, const std::string& bytes, int depth)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            encoded += k <= n ? alphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    out += "<data>\n";
    for (size_t i = 0; i < encoded.size(); i += 68) {
        indent(out, depth);
        out.append(encoded, i, 68);
        out += '\n';
    }
    indent(out, depth);
    out += "</data>";
}

void appendXML(std::string& out, const Value& v, int depth)
{
    indent(out, depth);
    switch (v.type()) {
    case Value::Type::Null:
        break;
    case Value::Type::Boolean:
        out += *v.asBoolean() ? "<true/>" : "<false/>";
        break;
    case Value::Type::Integer:
        out += "<integer>" + v.description() + "</integer>";
        break;
    case Value::Type::Real:
        out += "<real>";
        appendReal(out, *v.asReal());
        out += "</real>";
        break;
    case Value::Type::String:
        out += "<string>";
        appendEscaped(out, *v.asString());
        out += "</string>";
        break;
    case Value::Type::Date:
        out += "<date>";
        appendDate(out, v.asDate()->secondsSinceReferenceDate);
        out += "</date>";
        break;
    case Value::Type::Data:
        appendData(out, v.asData()->bytes, depth);
        break;
    case Value::Type::Array: {
        const auto& array = *v.asArray();
        const bool empty = std::all_of(array.begin(), array.end(), [](const Value& e) { return e.isNull(); });
        if (empty) {
            out += "<array/>";
            break;
        }
        out += "<array>\n";
        for (const auto& e : array)
            if (!e.isNull())
                appendXML(out, e, depth + 1);
        indent(out, depth);
        out += "</array>";
        break;
    }
    case Value::Type::Dictionary: {
        const auto& dictionary = *v.asDictionary();
        const bool empty
            = std::all_of(dictionary.begin(), dictionary.end(), [](const auto& e) { return e.second.isNull(); });
        if (empty) {
            out += "<dict/>";
            break;
        }
        out += "<dict>\n";
        for (const auto& [key, e] : dictionary) {
            if (e.isNull())
                continue;
            indent(out, depth + 1);
            out += "<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            appendXML(out, e, depth + 1);
        }
        indent(out, depth);
        out += "</dict>";
        break;
    }
    }
    out += '\n';
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
    if (bytes.substr(0, 8) == "bplist00")
        return BinaryPropertyListReader::parse(bytes);
    if (looksLikeXML(bytes))
        return XMLPropertyListReader::parse(bytes);
    return { {}, "not a property list" };
}

PropertyList::Result PropertyList::readFile(const std::string& path)
{
    std::string bytes, error;
    if (!readRegularFile(path, bytes, error))
        return { {}, error };
    return parse(bytes);
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
    std::string out
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n";
    appendXML(out, value.isNull() ? Value(Value::Dictionary {}) : value, 0);
    out += "</plist>\n";
    return out;
}

std::string PropertyList::writeXMLFile(const std::string& path, const Value& value)
{
    return writeFileAtomically(path, toXML(value));
}

} // namespace qorv
