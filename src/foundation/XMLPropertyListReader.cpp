#include "XMLPropertyListReader.h"

#include "CleanText.h"

#include <expat.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <memory>
#include <vector>

namespace qorv {

namespace {

enum class Element { Unknown, Plist, Array, Dict, Key, String, Integer, Real, True, False, Date, Data };

// Whether the NUL-terminated name is the tag; inlined character by character, it stops at the first difference
// and never reads past the name's end.
template <size_t N> bool is(const char* name, const char (&tag)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (name[i] != tag[i])
            return false;
    return true;
}

Element classify(const char* name)
{
    switch (name[0]) {
    case 'a':
        return is(name, "array") ? Element::Array : Element::Unknown;
    case 'd':
        if (is(name, "dict"))
            return Element::Dict;
        if (is(name, "date"))
            return Element::Date;
        return is(name, "data") ? Element::Data : Element::Unknown;
    case 'f':
        return is(name, "false") ? Element::False : Element::Unknown;
    case 'i':
        return is(name, "integer") ? Element::Integer : Element::Unknown;
    case 'k':
        return is(name, "key") ? Element::Key : Element::Unknown;
    case 'p':
        return is(name, "plist") ? Element::Plist : Element::Unknown;
    case 'r':
        return is(name, "real") ? Element::Real : Element::Unknown;
    case 's':
        return is(name, "string") ? Element::String : Element::Unknown;
    case 't':
        return is(name, "true") ? Element::True : Element::Unknown;
    default:
        return Element::Unknown;
    }
}

bool isSpace(char c)
{
    constexpr uint64_t spaces = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') | (1ull << '\r');
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' && ((spaces >> byte) & 1) != 0;
}

bool isAllSpace(const char* s, int length)
{
    for (int i = 0; i < length; ++i)
        if (!isSpace(s[i]))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// strtoull's reading (decimal, 0x hexadecimal, 0 octal) with a sign in front; whatever does not parse reads 0.
Value integerValue(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || isSpace(text.front()) || text.front() == '-' || text.front() == '+')
        return Value(0);
    const std::string digits(text);
    const unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, 0);
    if (negative)
        return Value(static_cast<int64_t>(0 - static_cast<uint64_t>(magnitude)));
    return Value(magnitude);
}

double realValue(std::string_view text)
{
    // The C locale whatever the process's locale is: property lists always use a decimal point.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string digits(trimmed(text));
    return strtod_l(digits.c_str(), nullptr, cLocale);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, for any year.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// "YYYY-MM-DDTHH:MM:SSZ" (the Z may be missing) as seconds since 2001; an unreadable date reads as the Unix
// epoch, as it always has.
Value::Date dateValue(std::string_view text)
{
    constexpr double unixEpoch = -978307200;
    text = trimmed(text);
    size_t i = 0;
    auto number = [&](size_t minDigits, size_t maxDigits, int64_t& out) {
        size_t n = 0;
        out = 0;
        while (i < text.size() && n < maxDigits && text[i] >= '0' && text[i] <= '9') {
            out = out * 10 + (text[i++] - '0');
            ++n;
        }
        return n >= minDigits;
    };
    auto literal = [&](char c) { return i < text.size() && text[i++] == c; };
    bool negativeYear = false;
    if (!text.empty() && text.front() == '-') {
        negativeYear = true;
        ++i;
    }
    int64_t year, month, day, hour, minute, second;
    if (!number(1, 9, year) || !literal('-') || !number(2, 2, month) || !literal('-') || !number(2, 2, day)
        || !literal('T') || !number(2, 2, hour) || !literal(':') || !number(2, 2, minute) || !literal(':')
        || !number(2, 2, second))
        return { unixEpoch };
    if (i < text.size() && text[i] == 'Z')
        ++i;
    if (i != text.size() || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return { unixEpoch };
    if (negativeYear)
        year = -year;
    const int64_t days = daysFromCivil(year, month, day);
    return { static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second) + unixEpoch };
}

// Base64 with anything outside the alphabet skipped; '=' ends a group of four.
std::string dataValue(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    auto flush = [&] {
        if (count >= 2)
            out += static_cast<char>(bits >> (count * 6 - 8));
        if (count >= 3)
            out += static_cast<char>(bits >> (count * 6 - 16));
        bits = 0;
        count = 0;
    };
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else {
            if (c == '=')
                flush();
            continue;
        }
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8);
            out += static_cast<char>(bits);
            bits = 0;
            count = 0;
        }
    }
    flush();
    return out;
}

// Replaces what expat refuses but a property list may hold: a NUL or another control character, written as a
// byte or as a character reference, and invalid UTF-8. Each becomes U+FFFD.
std::string repaired(std::string_view bytes)
{
    std::string text = cleanText(bytes);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "&#") != 0) {
            out += text[i++];
            continue;
        }
        size_t j = i + 2;
        const bool hex = j < text.size() && text[j] == 'x';
        j += hex;
        unsigned long long codePoint = 0;
        size_t digits = 0;
        for (; j < text.size(); ++j, ++digits) {
            const char c = text[j];
            const int digit = (c >= '0' && c <= '9')              ? c - '0'
                : (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') ? (c | 0x20) - 'a' + 10
                                                                  : -1;
            if (digit < 0)
                break;
            if (codePoint <= 0x10FFFF)
                codePoint = codePoint * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        }
        const bool reference = digits > 0 && j < text.size() && text[j] == ';';
        const bool allowed = codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD
            || (codePoint >= 0x20 && codePoint <= 0xD7FF) || (codePoint >= 0xE000 && codePoint <= 0xFFFD)
            || (codePoint >= 0x10000 && codePoint <= 0x10FFFF);
        if (reference && !allowed) {
            out += "&#xFFFD;";
            i = j + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

class Builder {
public:
    explicit Builder(XML_Parser parser)
        : m_parser(parser)
    {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Builder::start, &Builder::end);
        XML_SetCharacterDataHandler(parser, &Builder::characters);
        // Entity declarations are no part of a property list; refusing them also refuses entity expansion bombs.
        XML_SetEntityDeclHandler(parser, &Builder::entityDeclaration);
    }

    Value root;
    std::string error;

private:
    struct Frame {
        bool isDictionary;
        bool hasKey = false;
        size_t firstItem = 0; // an array's items are m_items[firstItem...]
        Value::Dictionary dictionary;
        std::string key;
    };

    void fail(std::string reason)
    {
        if (error.empty())
            error = std::move(reason);
        XML_StopParser(m_parser, XML_FALSE);
    }

    // Takes a Value or what one is made of, which is then made in its place in the container.
    template <typename T> void deliver(T&& value)
    {
        if (m_frames.empty()) {
            root = Value(std::forward<T>(value));
            // Whatever follows the root value is ignored.
            XML_StopParser(m_parser, XML_FALSE);
            return;
        }
        Frame& top = m_frames.back();
        if (!top.isDictionary) {
            m_items.emplace_back(std::forward<T>(value));
            return;
        }
        // Keys usually come sorted (our own writer sorts them): try the end first.
        auto& dictionary = top.dictionary;
        if (dictionary.empty() || dictionary.rbegin()->first < top.key)
            dictionary.emplace_hint(dictionary.end(), std::move(top.key), std::forward<T>(value));
        else
            dictionary.insert_or_assign(std::move(top.key), Value(std::forward<T>(value)));
        top.key.clear();
        top.hasKey = false;
    }

    void startElement(const char* name)
    {
        const Element element = classify(name);
        if (m_leaf != Element::Unknown || element == Element::Unknown)
            return fail("malformed property list");
        if (element == Element::Plist) {
            if (m_sawPlist || !m_frames.empty())
                return fail("malformed property list");
            m_sawPlist = true;
            return;
        }
        if (!m_frames.empty() && m_frames.back().isDictionary && (element == Element::Key) == m_frames.back().hasKey)
            return fail("malformed property list");
        if (element == Element::Array || element == Element::Dict) {
            if (m_frames.size() >= XMLPropertyListReader::maximumDepth)
                return fail("property list nested more than 512 levels deep");
            m_frames.push_back(Frame { element == Element::Dict, false, m_items.size(), {}, {} });
            return;
        }
        m_leaf = element;
        m_text.clear();
    }

    void endElement()
    {
        const Element leaf = m_leaf;
        m_leaf = Element::Unknown;
        switch (leaf) {
        case Element::Unknown: {
            if (m_frames.empty())
                return; // </plist> without a value: caught when the document ends
            Frame& frame = m_frames.back();
            Value container;
            if (frame.isDictionary) {
                container = Value(std::move(frame.dictionary));
            } else {
                const auto first = m_items.begin() + static_cast<ptrdiff_t>(frame.firstItem);
                container = Value(Value::Array(std::make_move_iterator(first), std::make_move_iterator(m_items.end())));
                m_items.erase(first, m_items.end());
            }
            m_frames.pop_back();
            return deliver(std::move(container));
        }
        case Element::Key:
            if (!m_frames.empty() && m_frames.back().isDictionary) {
                m_frames.back().key = takeText();
                m_frames.back().hasKey = true;
                return;
            }
            return deliver(takeText()); // outside a dictionary a key reads as a string
        case Element::String:
            return deliver(takeText());
        case Element::Integer:
            return deliver(integerValue(m_text));
        case Element::Real:
            return deliver(realValue(m_text));
        case Element::True:
            return deliver(true);
        case Element::False:
            return deliver(false);
        case Element::Date:
            return deliver(dateValue(m_text));
        case Element::Data:
            return deliver(Value::Data { dataValue(m_text) });
        default:
            return fail("malformed property list");
        }
    }

    // The leaf's text, with characters XML allows but a reader of our output should not meet (C1 controls)
    // replaced.
    // Expat hands over valid UTF-8 without C0 controls or non-characters; C1 controls (U+0080-U+009F, encoded
    // C2 80-C2 9F) are all that is left to look for.
    static bool hasC1Control(const std::string& text)
    {
        for (const char* p = text.data();
             (p = static_cast<const char*>(std::memchr(p, '\xC2', text.data() + text.size() - p)));) {
            ++p;
            if (p < text.data() + text.size() && static_cast<unsigned char>(*p) < 0xA0)
                return true;
        }
        return false;
    }

    // Moved out rather than copied: the string is the value's, and most leaves arrive in one piece, so
    // collecting the next one in a fresh string costs no more than copying this one would.
    std::string takeText()
    {
        std::string text = hasC1Control(m_text) ? cleanText(m_text) : std::move(m_text);
        m_text.clear();
        return text;
    }

    static void start(void* self, const XML_Char* name, const XML_Char**)
    {
        static_cast<Builder*>(self)->startElement(name);
    }
    static void end(void* self, const XML_Char*) { static_cast<Builder*>(self)->endElement(); }
    // Called for every run of text, the indentation between elements included.
    static void characters(void* self, const XML_Char* s, int length)
    {
        auto* builder = static_cast<Builder*>(self);
        if (builder->m_leaf != Element::Unknown)
            builder->m_text.append(s, static_cast<size_t>(length));
        else if (!isAllSpace(s, length))
            builder->fail("malformed property list");
    }
    static void entityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
        const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<Builder*>(self)->fail("malformed property list");
    }

    XML_Parser m_parser;
    std::vector<Frame> m_frames;
    std::vector<Value> m_items; // the items of the open arrays, innermost last
    Element m_leaf = Element::Unknown;
    bool m_sawPlist = false;
    std::string m_text;
};

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

// One pass of expat over the bytes. `expatFailed` tells apart a document expat refused from one we refused.
PropertyList::Result parseOnce(std::string_view bytes, bool& expatFailed)
{
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser)
        return { {}, "out of memory" };
    Builder builder(parser.get());
    expatFailed = false;
    constexpr size_t chunk = 1 << 30;
    XML_Status status = XML_STATUS_OK;
    do {
        const size_t n = std::min(chunk, bytes.size());
        status = XML_Parse(parser.get(), bytes.data(), static_cast<int>(n), n == bytes.size());
        bytes.remove_prefix(n);
    } while (status == XML_STATUS_OK && !bytes.empty());
    if (!builder.root.isNull())
        return { std::move(builder.root), {} };
    if (!builder.error.empty())
        return { {}, std::move(builder.error) };
    expatFailed = status != XML_STATUS_OK;
    return { {}, "malformed property list" };
}

} // namespace

PropertyList::Result XMLPropertyListReader::parse(std::string_view bytes)
{
    bool expatFailed = false;
    PropertyList::Result result = parseOnce(bytes, expatFailed);
    if (expatFailed) {
        const std::string fixed = repaired(bytes);
        if (fixed != bytes)
            result = parseOnce(fixed, expatFailed);
    }
    return result;
}

} // namespace qorv
