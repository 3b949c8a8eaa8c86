#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace qorv {

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
size_t utf8Length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned lead = byte(at);
    const auto continuation = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = byte(at + 1);
        const bool valid = (lead == 0xE0 ? second >= 0xA0 : lead == 0xED ? second < 0xA0 : true);
        return valid && continuation(at + 1) && continuation(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = byte(at + 1);
        const bool valid = (lead == 0xF0 ? second >= 0x90 : lead == 0xF4 ? second < 0x90 : true);
        return valid && continuation(at + 1) && continuation(at + 2) && continuation(at + 3) ? 4 : 0;
    }
    return 0;
}

void writeString(std::string& out, std::string_view text)
{
    out += '"';
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const size_t length = utf8Length(text, at);
            if (length == 0) {
                out += "\\ufffd";
                continue;
            }
            out.append(text, at, length);
            at += length - 1;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string base64(std::string_view bytes)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t chunk = uint32_t(static_cast<unsigned char>(bytes[i])) << 16
            | (i + 1 < bytes.size() ? uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8 : 0)
            | (i + 2 < bytes.size() ? uint32_t(static_cast<unsigned char>(bytes[i + 2])) : 0);
        out += alphabet[chunk >> 18 & 63];
        out += alphabet[chunk >> 12 & 63];
        out += i + 1 < bytes.size() ? alphabet[chunk >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[chunk & 63] : '=';
    }
    return out;
}

void newline(std::string& out, int depth)
{
    out += '\n';
    out.append(static_cast<size_t>(depth) * 2, ' ');
}

void writeValue(std::string& out, const Value& value, int depth)
{
    switch (value.type()) {
    case Value::Type::Null:
        out += "null";
        break;
    case Value::Type::Boolean:
        out += *value.asBoolean() ? "true" : "false";
        break;
    case Value::Type::Integer:
        out += value.description(); // exact, also above INT64_MAX
        break;
    case Value::Type::Real: {
        const double number = *value.asReal();
        if (!std::isfinite(number)) {
            out += "null";
            break;
        }
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        out.append(buffer, result.ptr);
        break;
    }
    case Value::Type::String:
        writeString(out, *value.asString());
        break;
    case Value::Type::Date: {
        // Property-list dates count from 2001-01-01, 978307200 seconds after the Unix epoch.
        const auto seconds
            = static_cast<std::time_t>(std::floor(value.asDate()->secondsSinceReferenceDate + 978307200.0));
        std::tm parts {};
        char buffer[32] = "1970-01-01T00:00:00Z";
        if (gmtime_r(&seconds, &parts))
            std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts);
        writeString(out, buffer);
        break;
    }
    case Value::Type::Data:
        writeString(out, base64(value.asData()->bytes));
        break;
    case Value::Type::Array: {
        const auto& array = *value.asArray();
        if (array.empty()) {
            out += "[]";
            break;
        }
        out += '[';
        for (size_t i = 0; i < array.size(); ++i) {
            newline(out, depth + 1);
            writeValue(out, array[i], depth + 1);
            if (i + 1 < array.size())
                out += ',';
        }
        newline(out, depth);
        out += ']';
        break;
    }
    case Value::Type::Dictionary: {
        const auto& dictionary = *value.asDictionary();
        if (dictionary.empty()) {
            out += "{}";
            break;
        }
        out += '{';
        size_t i = 0;
        for (const auto& [key, entry] : dictionary) {
            newline(out, depth + 1);
            writeString(out, key);
            out += ": ";
            writeValue(out, entry, depth + 1);
            if (++i < dictionary.size())
                out += ',';
        }
        newline(out, depth);
        out += '}';
        break;
    }
    }
}

} // namespace

std::string Json::write(const Value& value)
{
    std::string out;
    writeValue(out, value, 0);
    out += '\n';
    return out;
}

} // namespace qorv
