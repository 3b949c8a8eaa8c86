#pragma once

#include "QorvCSHTMLReport.h"

#include "foundation/Value.h"

#include <optional>
#include <string>
#include <vector>

namespace reporttest {

// A temporary resource directory made the main bundle's only one (or the first of several) while it lives.
class ResourceDirectory {
public:
    explicit ResourceDirectory(std::vector<std::string> after = {});
    ~ResourceDirectory();
    ResourceDirectory(const ResourceDirectory&) = delete;
    ResourceDirectory& operator=(const ResourceDirectory&) = delete;

    const std::string& path() const { return m_path; }
    // Writes a property list (a rule, the templates) at a path relative to the directory.
    void writePlist(const std::string& relative, const qorv::Value& value) const;
    void writeText(const std::string& relative, const std::string& text) const;
    void writeRule(const std::string& name, const qorv::Value& rule) const
    {
        writePlist("QorvCSReportCupel/" + name + ".plist", rule);
    }
    // Templates that mark each piece: "<top c0=[[...0]] c1=[[...1]]>", "<empty>", "<bottom>", "<export-...>".
    void writeMarkedTemplates() const;

private:
    std::string m_path;
    std::vector<std::string> m_previous;
};

// Builds a dictionary from alternating keys and values.
qorv::Value::Dictionary record(std::initializer_list<std::pair<const char*, qorv::Value>> entries);

// A table with one row per (heading, raw key, value, raw value) and the given provider.
struct Row {
    std::string heading;
    std::string value;
    std::string provider = "InternalBattery-0";
    std::optional<std::string> sourceType = std::nullopt; // the power source's "Type"
};
std::shared_ptr<QorvCSReportTable> tableWithRows(const std::vector<Row>& rows);

// The markup of one table row as the renderer writes it.
std::string renderRow(const Row& row);

// The text between the marked top and bottom templates of a screen rendering.
std::string body(QorvCSHTMLReport& report);

} // namespace reporttest
