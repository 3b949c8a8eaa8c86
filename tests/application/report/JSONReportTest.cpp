#include "QorvCSJSONReport.h"
#include "ReportTestSupport.h"

#include "foundation/Assert.h"

#include <gtest/gtest.h>

using qorv::Value;
using reporttest::ResourceDirectory;

namespace {

Value render(const QorvCSReportItemList& items)
{
    QorvCSJSONReport report({ "Ada's ThinkPad", "1.2.3", Value::Date { 0 } });
    report.addItemsFromArray(items);
    return report.asValue();
}

std::vector<std::string> titles(const Value& sections)
{
    std::vector<std::string> names;
    for (const auto& section : *sections.asArray())
        names.push_back(section.find("title")->description());
    return names;
}

} // namespace

TEST(JSONReport, GroupsAndSectionsFollowTheItems)
{
    ResourceDirectory resources;
    // Group A holds sections B (with a table) and C (with a nested group D); E is a section with a table and no
    // subsections; a table outside every title still reaches the document.
    const Value document = render({ QorvCSReportTitle::titleWithText("A"), QorvCSReportSubSectionStart::item(),
        QorvCSReportTitle::titleWithText("B"), reporttest::tableWithRows({ { "h", "v" } }),
        QorvCSReportTitle::titleWithText("C"), QorvCSReportSubSectionStart::item(),
        QorvCSReportTitle::titleWithText("D"), QorvCSReportSubSectionEnd::item(), QorvCSReportSubSectionEnd::item(),
        QorvCSReportTitle::titleWithText("E"), QorvCSReportItem::item(), reporttest::tableWithRows({ { "x", "y" } }),
        QorvCSReportSubSectionEnd::item(), reporttest::tableWithRows({ { "loose", "row" } }) });

    EXPECT_EQ(document.find("schema")->description(), "1");
    EXPECT_EQ(document.find("computer")->description(), "Ada's ThinkPad");
    EXPECT_EQ(document.find("version")->description(), "1.2.3");
    const Value& groups = *document.find("groups");
    EXPECT_EQ(titles(groups), (std::vector<std::string> { "A", "E", "" }));
    const Value& a = groups.asArray()->at(0);
    EXPECT_EQ(titles(*a.find("sections")), (std::vector<std::string> { "B", "C" }));
    EXPECT_EQ(titles(*a.find("sections")->asArray()->at(1).find("sections")), std::vector<std::string> { "D" });
    EXPECT_EQ(a.find("sections")->asArray()->at(0).find("tables")->asArray()->size(), 1u);
    EXPECT_EQ(groups.asArray()->at(1).find("tables")->asArray()->size(), 1u);
    EXPECT_EQ(groups.asArray()->at(2).find("tables")->asArray()->size(), 1u);
}

TEST(JSONReport, RowsCarryTheTypedValueAndTheTextsAfterTheRules)
{
    ResourceDirectory resources;
    resources.writeRule("more",
        Value(Value::Dictionary {
            { "match", Value::Dictionary { { "key", "heading" }, { "regex", "^Cycle" } } },
            { "replace", Value::Dictionary { { "key", "more" }, { "format", "<why>" } } },
        }));
    auto table = reporttest::tableWithRows({ { "Cycle Count", "123" }, { "Name", "<b>" } });
    (*table->headingValuePairs())[0].value->setValue(123);
    const Value document = render({ QorvCSReportTitle::titleWithText("T"), table });

    const auto& rows = *document.find("groups")->asArray()->at(0).find("tables")->asArray()->at(0).find("rows");
    const Value& cycles = rows.asArray()->at(0);
    EXPECT_EQ(cycles.find("type")->description(), "integer");
    EXPECT_EQ(cycles.find("value")->asInteger().value_or(0), 123);
    EXPECT_EQ(cycles.find("text")->description(), "123");
    EXPECT_EQ(cycles.find("key")->description(), "Cycle Count");
    EXPECT_EQ(cycles.find("more")->description(), "<why>"); // text, not markup: nothing is escaped
    // A row without a typed value keeps its raw text as a string, and has no "more".
    const Value& name = rows.asArray()->at(1);
    EXPECT_EQ(name.find("type")->description(), "string");
    EXPECT_EQ(name.find("value")->description(), "<b>");
    EXPECT_FALSE(name.find("more"));
}

TEST(JSONReport, AnUnknownItemKindFailsAnAssertion)
{
    struct Odd : QorvCSReportItem {
        std::string_view className() const override { return "QorvCSReportOdd"; }
    };
    EXPECT_THROW(render({ std::make_shared<Odd>() }), qorv::AssertionFailure);
}
