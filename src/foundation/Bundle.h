#pragma once

#include "Value.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qorv {

// The application's resources: an ordered list of directories, searched first to last. A file is taken from
// the first directory that has it; a folder is taken whole from the first directory that has it. The last
// directory is the application's own, the others are overlays (folders people pass around).
// Holds Info.plist and the localisation tables "<lang>.lproj/<Table>.strings".
class Bundle {
public:
    explicit Bundle(std::vector<std::string> resourceDirectories = {});

    // The application's bundle. Its directories are set once at start-up.
    static Bundle& main();

    void setResourceDirectories(std::vector<std::string> directories);
    const std::vector<std::string>& resourceDirectories() const { return m_directories; }

    // Path of "<name>.<type>" (type may be empty), or nullopt.
    std::optional<std::string> pathForResource(std::string_view name, std::string_view type) const;
    // Paths of every "*.<extension>" file in the first directory that has the subdirectory, in no set order.
    std::vector<std::string> pathsForResources(std::string_view extension, std::string_view subdirectory) const;

    // Info.plist's root dictionary (an empty dictionary when missing or malformed).
    const Value& infoDictionary() const;
    const Value* objectForInfoDictionaryKey(std::string_view key) const;
    // Info.plist of the application's own directory only, whatever an overlay's says: keys that name a program
    // to run are read here, so that a folder of data never makes the program run something.
    const Value& ownInfoDictionary() const;

    // The running program's path (from /proc/self/exe; empty when unknown): what relative paths of the
    // application's own programs are resolved against.
    static std::string executablePath();

    // The translation of key in table (default "Localizable"); when there is none, value if it is not empty,
    // else the key itself.
    std::string localizedString(std::string_view key, std::string_view value = {}, std::string_view table = {}) const;
    // The translation of key in table, or null when there is none; valid until the languages or directories change.
    const std::string* findLocalizedString(std::string_view key, std::string_view table = {}) const;

    // Preferred languages from LANGUAGE, LC_ALL, LC_MESSAGES, LANG, ending with the development language "en".
    static std::vector<std::string> preferredLanguages();
    void setLanguages(std::vector<std::string> languages);

    // Changes whenever the texts may have: with the languages or the directories. Unique to the bundle and each
    // copy of it, so that a translation remembered with it stays right while it is the same.
    uint64_t textsGeneration() const { return m_textsGeneration.value; }

private:
    // Looked up for every row of every rendering, so a hash table with lookup by string_view.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    using Table = std::unordered_map<std::string, std::string, TextHash, std::equal_to<>>;
    const Table& table(std::string_view name) const;

    std::vector<std::string> m_directories;
    std::vector<std::string> m_languages;
    mutable std::optional<Value> m_info;
    mutable std::optional<Value> m_ownInfo;
    mutable std::map<std::string, Table, std::less<>> m_tables;
    // "Localizable" in m_tables once read; a copy of the bundle finds it again in its own tables.
    struct TablePointer {
        const Table* table = nullptr;
        TablePointer() = default;
        TablePointer(const TablePointer&) { }
        TablePointer& operator=(const TablePointer&)
        {
            table = nullptr;
            return *this;
        }
    };
    mutable TablePointer m_defaultTable;
    struct Generation {
        uint64_t value = next();
        Generation() = default;
        Generation(const Generation&) { }
        Generation& operator=(const Generation&)
        {
            value = next();
            return *this;
        }
        static uint64_t next();
    };
    Generation m_textsGeneration;
};

// Parses the classic strings-file syntax, "key" = "value"; with comments. On a syntax error returns nullopt and
// sets error to "line N: reason".
std::optional<std::map<std::string, std::string, std::less<>>> parseStringsFile(
    std::string_view text, std::string& error);

} // namespace qorv
