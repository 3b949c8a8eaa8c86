#include "ReportTestSupport.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace reporttest {

ResourceDirectory::ResourceDirectory(std::vector<std::string> after)
    : m_previous(qorv::Bundle::main().resourceDirectories())
{
    std::string pattern = (fs::temp_directory_path() / "report-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    std::vector<std::string> directories { m_path };
    directories.insert(directories.end(), after.begin(), after.end());
    qorv::Bundle::main().setResourceDirectories(std::move(directories));
}

ResourceDirectory::~ResourceDirectory()
{
    qorv::Bundle::main().setResourceDirectories(m_previous);
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

void ResourceDirectory::writePlist(const std::string& relative, const qorv::Value& value) const
{
    const fs::path file = fs::path(m_path) / relative;
    fs::create_directories(file.parent_path());
    const std::string error = qorv::PropertyList::writeXMLFile(file.string(), value);
    if (!error.empty())
        throw std::runtime_error(error);
}

void ResourceDirectory::writeText(const std::string& relative, const std::string& text) const
{
    const fs::path file = fs::path(m_path) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void ResourceDirectory::writeMarkedTemplates() const
{
    writePlist("QorvCSHTMLReport.plist",
        qorv::Value(qorv::Value::Dictionary {
            { "top",
                "<top c0=[[controlAlternatingRowBackgroundColor0]] c1=[[controlAlternatingRowBackgroundColor1]]>" },
            { "empty", "<empty>" },
            { "bottom", "<bottom>" },
            { "export-top", "<export-top c0=[[controlAlternatingRowBackgroundColor0]]>" },
            { "export-empty", "<export-empty>" },
            { "export-bottom", "<export-bottom [[controlAlternatingRowBackgroundColor0]]>" },
        }));
}

qorv::Value::Dictionary record(std::initializer_list<std::pair<const char*, qorv::Value>> entries)
{
    qorv::Value::Dictionary result;
    for (const auto& [key, value] : entries)
        result.insert_or_assign(key, value);
    return result;
}

std::shared_ptr<QorvCSReportTable> tableWithRows(const std::vector<Row>& rows)
{
    auto table = QorvCSReportTable::tableWithSummary("summary", "caption");
    for (const auto& row : rows) {
        auto heading = QorvCSReportTableHeading::headingWithTitle(row.heading);
        heading->setRaw(row.heading);
        heading->setProvider(row.provider);
        auto value = QorvCSReportTableValue::valueWithLabel(row.value);
        value->setRaw(row.value);
        value->setProvider(row.provider);
        value->setSourceType(row.sourceType);
        table->addHeading(heading, value);
    }
    return table;
}

std::string renderRow(const Row& row)
{
    auto report = QorvCSHTMLReport::reportForExport(false);
    QorvCSHTMLReportState state;
    std::string html = report->htmlForReportTable(*tableWithRows({ row }), state);
    const std::string opening = "<table summary=\"summary\"><caption>caption</caption>";
    EXPECT_EQ(html.rfind(opening, 0), 0u) << html;
    return html.substr(opening.size(), html.size() - opening.size() - std::string("</table>").size());
}

std::string body(QorvCSHTMLReport& report)
{
    std::string html = report.asHTML();
    const size_t start = html.find('>') + 1;
    const size_t end = html.rfind("<bottom>");
    EXPECT_NE(end, std::string::npos) << html;
    return html.substr(start, end - start);
}

} // namespace reporttest
