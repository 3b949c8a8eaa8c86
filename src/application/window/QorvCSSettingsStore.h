#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the window's remembered state is kept between runs: named texts and lists of texts. Whatever comes back
// was written by anyone (an older version, another program, a damaged disk), so readers validate every value.
class QorvCSSettingsStore {
public:
    virtual ~QorvCSSettingsStore() = default;
    // Where the values live, for messages.
    virtual std::string location() const = 0;
    // False when the store exists but could not be read as settings at all.
    virtual bool isReadable() const = 0;
    // Every key present, in any order.
    virtual std::vector<std::string> keys() const = 0;
    // nullopt when absent or not a text.
    virtual std::optional<std::string> string(std::string_view key) const = 0;
    // nullopt when absent or not a list of texts.
    virtual std::optional<std::vector<std::string>> strings(std::string_view key) const = 0;
    virtual void setString(std::string_view key, const std::string& value) = 0;
    virtual void setStrings(std::string_view key, const std::vector<std::string>& values) = 0;
    virtual void remove(std::string_view key) = 0;
};
