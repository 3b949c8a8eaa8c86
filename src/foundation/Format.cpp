#include "Format.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qorv {

namespace {

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string length;
    char specifier = 0;
    int position = 0; // 1-based when given as %n$
    size_t end = 0; // index after the conversion
    bool valid = false;
};

// Parses the conversion that starts after the '%' at index i.
Conversion parseConversion(std::string_view fmt, size_t i)
{
    Conversion c;
    size_t j = i;
    // Optional position "n$".
    size_t k = j;
    int number = 0;
    while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9' && number < 100000)
        number = number * 10 + (fmt[k++] - '0');
    if (k > j && k < fmt.size() && fmt[k] == '$' && number > 0) {
        c.position = number;
        j = k + 1;
    }
    while (j < fmt.size() && std::string_view("-+ #0'").find(fmt[j]) != std::string_view::npos)
        c.flags += fmt[j++];
    if (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') {
        c.width = 0;
        while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') {
            if (c.width < 10000)
                c.width = c.width * 10 + (fmt[j] - '0');
            ++j;
        }
    }
    if (j < fmt.size() && fmt[j] == '.') {
        ++j;
        c.precision = 0;
        while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9') {
            if (c.precision < 10000)
                c.precision = c.precision * 10 + (fmt[j] - '0');
            ++j;
        }
    }
    while (j < fmt.size() && std::string_view("hlqLjzt").find(fmt[j]) != std::string_view::npos && c.length.size() < 2)
        c.length += fmt[j++];
    if (j < fmt.size() && std::string_view("@dDiuUxXoOcCsSfFeEgGaAp%").find(fmt[j]) != std::string_view::npos) {
        c.specifier = fmt[j++];
        c.valid = true;
    }
    c.end = j;
    return c;
}

std::string pad(std::string text, const Conversion& c)
{
    if (c.width <= 0 || static_cast<int>(text.size()) >= c.width)
        return text;
    const size_t fill = static_cast<size_t>(c.width) - text.size();
    if (c.flags.find('-') != std::string::npos)
        return text + std::string(fill, ' ');
    return std::string(fill, ' ') + text;
}

// snprintf into a string as long as the result needs: widths and precisions reach 99999.
template <typename T> std::string printfToString(const std::string& conversion, T value)
{
    char small[128];
    const int n = std::snprintf(small, sizeof small, conversion.c_str(), value);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), conversion.c_str(), value);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string printfNumber(const Conversion& c, char specifier, const Value& v)
{
    // The common plain "%d" needs no conversion text and no printf.
    const bool plain = c.width < 0 && c.precision < 0 && c.flags.find_first_not_of('\'') == std::string::npos;
    if (plain && (specifier == 'd' || specifier == 'i'))
        if (auto i = v.asInteger())
            return std::to_string(static_cast<long long>(*i));
    std::string conversion = "%";
    for (char f : c.flags)
        if (f != '\'')
            conversion += f;
    if (c.width >= 0)
        conversion += std::to_string(c.width);
    if (c.precision >= 0) {
        conversion += '.';
        conversion += std::to_string(c.precision);
    }
    switch (specifier) {
    case 'd':
    case 'i': {
        auto i = v.asInteger();
        if (!i)
            return pad(v.description(), c);
        return printfToString(conversion + "lld", static_cast<long long>(*i));
    }
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
        auto i = v.asInteger();
        if (!i && v.asUnsigned())
            return printfToString(conversion + "ll" + specifier, static_cast<unsigned long long>(*v.asUnsigned()));
        if (!i)
            return pad(v.description(), c);
        unsigned long long u = static_cast<unsigned long long>(*i);
        // A 32-bit conversion shows a negative number the way a C int would.
        if (c.length.empty() || c.length == "h")
            u &= 0xffffffffull;
        return printfToString(conversion + "ll" + specifier, u);
    }
    case 'c': {
        auto i = v.asInteger();
        if (!i)
            return pad(v.description(), c);
        const char ch = static_cast<char>(*i & 0x7f);
        return pad(std::string(ch ? 1 : 0, ch), c);
    }
    default: {
        auto d = v.asReal();
        if (!d)
            return pad(v.description(), c);
        return printfToString(conversion + specifier, *d);
    }
    }
}

} // namespace

std::string format(std::string_view fmt, std::initializer_list<FormatArgument> argList)
{
    const std::vector<const FormatArgument*> args = [&] {
        std::vector<const FormatArgument*> v;
        for (const auto& a : argList)
            v.push_back(&a);
        return v;
    }();
    std::string out;
    out.reserve(fmt.size() + 16);
    size_t nextArgument = 0;
    size_t i = 0;
    while (i < fmt.size()) {
        const char ch = fmt[i];
        if (ch != '%') {
            out += ch;
            ++i;
            continue;
        }
        Conversion c = parseConversion(fmt, i + 1);
        if (!c.valid) {
            // A malformed conversion is copied as written.
            out.append(fmt.substr(i, c.end - i));
            i = c.end;
            continue;
        }
        i = c.end;
        if (c.specifier == '%') {
            out += '%';
            continue;
        }
        const size_t index = c.position > 0 ? static_cast<size_t>(c.position - 1) : nextArgument++;
        const FormatArgument* arg = index < args.size() ? args[index] : nullptr;
        if (!arg) {
            out += pad("(null)", c);
            continue;
        }
        switch (c.specifier) {
        case 'p': {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%p", arg->isPointer() ? arg->pointer() : nullptr);
            out += pad(arg->isPointer() ? buf : arg->value().description(), c);
            break;
        }
        case '@':
        case 's':
        case 'S': {
            std::string text = arg->isPointer() ? format("%p", arg->pointer()) : arg->value().description();
            if (c.precision >= 0 && static_cast<size_t>(c.precision) < text.size())
                text.resize(static_cast<size_t>(c.precision));
            out += pad(std::move(text), c);
            break;
        }
        default: {
            if (arg->isPointer()) {
                out += pad(format("%p", arg->pointer()), c);
                break;
            }
            char specifier = c.specifier;
            if (specifier == 'D')
                specifier = 'd';
            else if (specifier == 'U')
                specifier = 'u';
            else if (specifier == 'O')
                specifier = 'o';
            else if (specifier == 'C')
                specifier = 'c';
            out += printfNumber(c, specifier, arg->value());
        }
        }
    }
    return out;
}

int formatArgumentCount(std::string_view fmt)
{
    int count = 0;
    int sequential = 0;
    size_t i = 0;
    while (i < fmt.size()) {
        if (fmt[i] != '%') {
            ++i;
            continue;
        }
        Conversion c = parseConversion(fmt, i + 1);
        if (!c.valid)
            return -1;
        i = c.end;
        if (c.specifier == '%')
            continue;
        const int position = c.position > 0 ? c.position : ++sequential;
        count = std::max(count, position);
    }
    return count;
}

} // namespace qorv
