// Rule files: any bytes as a rule file, applied to the rows of a table; whatever the rule writes, the table's
// markup stays the renderer's own (text from the rule or the rows is always escaped). Input with a NUL byte is also
// read as a pattern and a subject: the pattern's shape may turn it down only where ICU finds no match, and where
// the rules' own backtracker answers, it must find what ICU finds.
#include "QorvCSHTMLReport.h"
#include "QorvCSHTMLReportState.h"
#include "QorvCSReportCupelBacktracker.h"
#include "QorvCSReportCupelController.h"
#include "QorvCSReportCupelPattern.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/Regex.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

std::string resourceFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cellsheet-rule-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    std::filesystem::create_directories(pattern + "/QorvCSReportCupel");
    qorv::Bundle::main().setResourceDirectories({ pattern });
    return pattern;
}

std::shared_ptr<QorvCSReportTable> table()
{
    auto table = QorvCSReportTable::tableWithSummary("<x-fuzz summary>", "<x-fuzz caption>");
    const std::pair<const char*, const char*> rows[] = { { "Power Source State", "AC Power" },
        { "Current Capacity", "77" }, { "<x-fuzz heading>", "<x-fuzz value> & \"quoted\"" },
        { "Hardware Serial Number", "D865033Y2CXF9CPAW" }, { "Time to Empty", "155" } };
    for (const auto& [headingText, valueText] : rows) {
        auto heading = QorvCSReportTableHeading::headingWithTitle(headingText);
        heading->setRaw(std::string(headingText));
        heading->setProvider(std::string("InternalBattery-0"));
        auto value = QorvCSReportTableValue::valueWithLabel(valueText);
        value->setRaw(std::string(valueText));
        value->setProvider(std::string("InternalBattery-0"));
        table->addHeading(heading, value);
    }
    return table;
}

// Aborts where the pattern's shape turns down a subject ICU matches, or the backtracker's answer differs from ICU's.
void compareWithICU(std::string_view input)
{
    const size_t split = input.find('\0');
    if (split == std::string_view::npos)
        return;
    const std::string_view pattern = input.substr(0, split), subject = input.substr(split + 1);
    auto regex = qorv::Regex::compile(pattern);
    if (!regex)
        return;
    qorv::Regex::Match expected;
    const auto icu = regex->firstMatch(subject, expected, 50);
    if (icu == qorv::Regex::Outcome::TimedOut)
        return;
    const QorvCSReportCupelPattern shape(pattern);
    if (icu == qorv::Regex::Outcome::Matched && !shape.mayMatch(subject))
        std::abort();
    auto backtracker = QorvCSReportCupelBacktracker::make(pattern);
    if (!backtracker)
        return;
    QorvCSReportCupelBacktracker::Groups groups;
    const auto outcome = backtracker->firstMatch(subject, groups);
    if (outcome == QorvCSReportCupelBacktracker::Outcome::Unknown)
        return;
    if ((outcome == QorvCSReportCupelBacktracker::Outcome::Matched) != (icu == qorv::Regex::Outcome::Matched))
        std::abort();
    if (icu != qorv::Regex::Outcome::Matched)
        return;
    if (groups.size() != expected.groups.size())
        std::abort();
    for (size_t group = 0; group < groups.size(); ++group)
        if (groups[group] != expected.groups[group].value_or(""))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto quiet = qorv::setLogSink([](const std::string&) {});
    static const std::string folder = resourceFolder();
    compareWithICU(std::string_view(reinterpret_cast<const char*>(data), size));
    std::ofstream(folder + "/QorvCSReportCupel/fuzz.plist", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    QorvCSReportCupelController::forgetCachedRules();
    auto report = QorvCSHTMLReport::reportForExport(false);
    QorvCSHTMLReportState state;
    std::string html;
    try {
        html = report->htmlForReportTable(*table(), state);
    } catch (const qorv::AssertionFailure&) {
        return 0; // a malformed rule fails the cupel's assertion, which the event loop catches
    }
    if (html.find("<x-fuzz") != std::string::npos)
        std::abort();
    return 0;
}
