#include "Bundle.h"

#include "CleanText.h"
#include "Log.h"
#include "PropertyList.h"
#include "RegularFile.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace qorv {

Bundle::Bundle(std::vector<std::string> resourceDirectories)
    : m_directories(std::move(resourceDirectories))
    , m_languages(preferredLanguages())
{ }

Bundle& Bundle::main()
{
    static Bundle bundle;
    return bundle;
}

void Bundle::setResourceDirectories(std::vector<std::string> directories)
{
    m_directories = std::move(directories);
    m_info.reset();
    m_ownInfo.reset();
    m_tables.clear();
    m_defaultTable.table = nullptr;
    m_textsGeneration.value = Generation::next();
}

void Bundle::setLanguages(std::vector<std::string> languages)
{
    m_languages = std::move(languages);
    m_tables.clear();
    m_defaultTable.table = nullptr;
    m_textsGeneration.value = Generation::next();
}

uint64_t Bundle::Generation::next()
{
    static std::atomic<uint64_t> last { 0 };
    return ++last;
}

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type) const
{
    std::string file(name);
    if (!type.empty()) {
        file += '.';
        file += type;
    }
    for (const auto& dir : m_directories) {
        std::error_code ec;
        const fs::path p = fs::path(dir) / file;
        if (fs::is_regular_file(p, ec))
            return p.string();
    }
    return std::nullopt;
}

std::vector<std::string> Bundle::pathsForResources(std::string_view extension, std::string_view subdirectory) const
{
    std::vector<std::string> paths;
    std::string dottedExtension = ".";
    dottedExtension += extension;
    for (const auto& dir : m_directories) {
        std::error_code ec;
        const fs::path folder = fs::path(dir) / std::string(subdirectory);
        if (!fs::is_directory(folder, ec))
            continue;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            std::error_code fileError;
            if (entry.is_regular_file(fileError) && entry.path().extension() == dottedExtension)
                paths.push_back(entry.path().string());
        }
        break;
    }
    return paths;
}

namespace {

Value readInfoDictionary(const std::optional<std::string>& path)
{
    if (path) {
        auto r = PropertyList::readFile(*path, Value::Type::Dictionary);
        if (r)
            return std::move(r.value);
        log("ignoring malformed " + *path + ": " + r.error);
    }
    return Value(Value::Dictionary {});
}

} // namespace

const Value& Bundle::infoDictionary() const
{
    if (!m_info)
        m_info = readInfoDictionary(pathForResource("Info", "plist"));
    return *m_info;
}

const Value& Bundle::ownInfoDictionary() const
{
    if (!m_ownInfo) {
        std::optional<std::string> path;
        std::error_code ec;
        if (!m_directories.empty() && fs::is_regular_file(fs::path(m_directories.back()) / "Info.plist", ec))
            path = (fs::path(m_directories.back()) / "Info.plist").string();
        // Usually no overlay has an Info.plist: then the file is read (and a fault logged) once.
        m_ownInfo = path == pathForResource("Info", "plist") ? infoDictionary() : readInfoDictionary(path);
    }
    return *m_ownInfo;
}

std::string Bundle::executablePath()
{
    std::error_code ec;
    auto path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

const Value* Bundle::objectForInfoDictionaryKey(std::string_view key) const
{
    return infoDictionary().find(key);
}

std::vector<std::string> Bundle::preferredLanguages()
{
    std::vector<std::string> result;
    auto addLocale = [&](std::string locale) {
        if (auto dot = locale.find_first_of(".@"); dot != std::string::npos)
            locale.resize(dot);
        if (locale.empty() || locale == "C" || locale == "POSIX")
            return;
        result.push_back(locale);
        if (auto underscore = locale.find('_'); underscore != std::string::npos)
            result.push_back(locale.substr(0, underscore));
    };
    if (const char* language = std::getenv("LANGUAGE"); language && *language) {
        std::stringstream ss(language);
        std::string item;
        while (std::getline(ss, item, ':'))
            addLocale(item);
    }
    for (const char* var : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        if (const char* v = std::getenv(var); v && *v) {
            addLocale(v);
            break;
        }
    }
    result.push_back("en");
    return result;
}

const Bundle::Table& Bundle::table(std::string_view name) const
{
    // The default table is read for every row of a rendering, often twice.
    const bool isDefault = name == "Localizable";
    if (isDefault && m_defaultTable.table)
        return *m_defaultTable.table;
    if (auto it = m_tables.find(name); it != m_tables.end()) {
        if (isDefault)
            m_defaultTable.table = &it->second;
        return it->second;
    }
    // Entries of a more preferred language win; other languages fill the gaps.
    Table merged;
    for (const auto& language : m_languages) {
        auto path = pathForResource(language + ".lproj/" + std::string(name), "strings");
        if (!path)
            continue;
        std::string bytes, error;
        if (!readRegularFile(*path, bytes, error)) {
            log("ignoring localisation table " + *path + ": " + error);
            continue;
        }
        auto entries = parseStringsFile(bytes, error);
        if (!entries) {
            log("ignoring malformed localisation table " + *path + ": " + error);
            continue;
        }
        for (auto& [key, text] : *entries)
            merged.emplace(key, std::move(text));
    }
    const Table& made = m_tables.emplace(std::string(name), std::move(merged)).first->second;
    if (isDefault)
        m_defaultTable.table = &made;
    return made;
}

std::string Bundle::localizedString(std::string_view key, std::string_view value, std::string_view tableName) const
{
    if (const std::string* translation = findLocalizedString(key, tableName))
        return *translation;
    return std::string(value.empty() ? key : value);
}

const std::string* Bundle::findLocalizedString(std::string_view key, std::string_view tableName) const
{
    const auto& entries = table(tableName.empty() ? "Localizable" : tableName);
    auto it = entries.find(key);
    return it != entries.end() ? &it->second : nullptr;
}

namespace {

class StringsParser {
public:
    explicit StringsParser(std::string_view text)
        : m_text(text)
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
    }

    std::optional<std::map<std::string, std::string, std::less<>>> parse(std::string& error)
    {
        std::map<std::string, std::string, std::less<>> entries;
        for (;;) {
            if (!skipSpaceAndComments(error))
                return std::nullopt;
            if (m_pos >= m_text.size())
                return entries;
            std::string key, value;
            if (!readString(key, error))
                return std::nullopt;
            // Tables are shown and written out: no control characters (\U001B), no lone surrogates.
            if (!isCleanText(key))
                key = cleanText(key);
            if (!skipSpaceAndComments(error))
                return std::nullopt;
            if (peek() == ';') {
                // "key"; is shorthand for "key" = "key";
                ++m_pos;
                entries.insert_or_assign(key, key);
                continue;
            }
            if (peek() != '=')
                return fail(error, "expected '=' after key");
            ++m_pos;
            if (!skipSpaceAndComments(error) || !readString(value, error) || !skipSpaceAndComments(error))
                return std::nullopt;
            if (peek() != ';')
                return fail(error, "expected ';' after value");
            ++m_pos;
            if (!isCleanText(value))
                value = cleanText(value);
            entries.insert_or_assign(std::move(key), std::move(value));
        }
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    std::nullopt_t fail(std::string& error, const std::string& reason)
    {
        size_t line = 1;
        for (size_t i = 0; i < m_pos && i < m_text.size(); ++i)
            line += m_text[i] == '\n';
        error = "line " + std::to_string(line) + ": " + reason;
        return std::nullopt;
    }

    bool skipSpaceAndComments(std::string& error)
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "//") {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                    ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "/*") {
                const size_t end = m_text.find("*/", m_pos + 2);
                if (end == std::string_view::npos) {
                    fail(error, "unterminated comment");
                    return false;
                }
                m_pos = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    static void appendUTF8(std::string& out, uint32_t cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool readHex4(uint32_t& cp)
    {
        cp = 0;
        for (int digits = 0; digits < 4; ++digits) {
            if (m_pos >= m_text.size() || !std::isxdigit(static_cast<unsigned char>(m_text[m_pos])))
                return false;
            const char h = m_text[m_pos++];
            cp = cp * 16
                + static_cast<uint32_t>(
                    std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : std::tolower(h) - 'a' + 10);
        }
        return true;
    }

    bool readString(std::string& out, std::string& error)
    {
        if (peek() != '"') {
            fail(error, "expected a quoted string");
            return false;
        }
        ++m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                break;
            const char e = m_text[m_pos++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'U':
            case 'u': {
                uint32_t cp = 0;
                if (!readHex4(cp)) {
                    fail(error, "malformed \\U escape");
                    return false;
                }
                // The escapes are UTF-16 units: join a surrogate pair, replace a lone surrogate.
                if (cp >= 0xD800 && cp <= 0xDBFF
                    && (m_text.substr(m_pos, 2) == "\\U" || m_text.substr(m_pos, 2) == "\\u")) {
                    const size_t pairStart = m_pos;
                    uint32_t low = 0;
                    m_pos += 2;
                    if (readHex4(low) && low >= 0xDC00 && low <= 0xDFFF)
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    else
                        m_pos = pairStart;
                }
                if (cp >= 0xD800 && cp <= 0xDFFF)
                    cp = 0xFFFD;
                appendUTF8(out, cp);
                break;
            }
            default:
                out += e;
            }
        }
        fail(error, "unterminated string");
        return false;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

} // namespace

std::optional<std::map<std::string, std::string, std::less<>>> parseStringsFile(
    std::string_view text, std::string& error)
{
    return StringsParser(text).parse(error);
}

} // namespace qorv
