#include "QorvCSReportCupelController.h"
#include "QorvCSReportTableChanges.h"
#include "ReportTestSupport.h"

#include "foundation/Assert.h"

#include <gtest/gtest.h>

using qorv::Value;
using reporttest::ResourceDirectory;
using reporttest::Row;

namespace {

// A rule that writes `format` under `key` for every row whose raw heading matches `regex`.
Value writeRule(const char* regex, const char* key, const char* format)
{
    return Value(Value::Dictionary {
        { "match", Value(Value::Dictionary { { "key", "heading" }, { "regex", regex } }) },
        { "replace", Value(Value::Dictionary { { "key", key }, { "format", format } }) },
    });
}

Value acronymRule(const char* find, const char* text)
{
    return Value(Value::Dictionary {
        { "match", Value(Value::Dictionary { { "key", "heading" }, { "regex", "^Power Source State$" } }) },
        { "acronym", Value(Value::Dictionary { { "find", find }, { "text", text } }) },
    });
}

class HTMLReportTable : public ::testing::Test {
protected:
    void SetUp() override { resources.writeMarkedTemplates(); }
    ResourceDirectory resources;
};

} // namespace

TEST_F(HTMLReportTable, WithoutRulesRowsShowTitleAndLabelEscaped)
{
    auto table = QorvCSReportTable::tableWithSummary("Power \"A\"", "<caption>");
    auto heading = QorvCSReportTableHeading::headingWithTitle("Time & date");
    heading->setRaw("raw heading");
    auto value = QorvCSReportTableValue::valueWithLabel("1 < 2");
    value->setRaw("raw value");
    table->addHeading(heading, value);
    auto empty = QorvCSReportTable::tableWithSummary("", "");

    auto report = QorvCSHTMLReport::reportForExport(false);
    report->addItemsFromArray({ table, empty });
    EXPECT_EQ(reporttest::body(*report),
        "<table summary=\"Power &quot;A&quot;\"><caption>&lt;caption&gt;</caption>"
        "<tr><th>Time &amp; date</th><td>1 &lt; 2</td></tr></table>"
        "<table summary=\"\"><caption></caption></table>");
}

TEST_F(HTMLReportTable, MoreParagraphsHaveIdsUniqueInTheDocument)
{
    resources.writeRule("more", writeRule("", "more", "why"));
    auto report = QorvCSHTMLReport::reportForExport(false);
    report->addItemsFromArray({ QorvCSReportTitle::titleWithText("T"),
        reporttest::tableWithRows({ { "a", "1" }, { "b", "2" }, { "c", "3" } }), QorvCSReportItem::item(),
        reporttest::tableWithRows({ { "d", "4" } }) });
    const std::string html = reporttest::body(*report);
    std::vector<std::string> ids;
    for (size_t at = html.find("id=\""); at != std::string::npos; at = html.find("id=\"", at + 1))
        ids.push_back(html.substr(at + 4, html.find('"', at + 4) - at - 4));
    // Title 1, table 2 (rows 3, 4, 5), item 6, table 7 (row 8).
    EXPECT_EQ(ids, (std::vector<std::string> { "more3", "more4", "more5", "more8" }));
    EXPECT_NE(html.find("<tr><th>b</th><td>2 <button type=\"button\" aria-expanded=\"false\" aria-controls=\"more4\" "
                        "aria-label=\"Explain b\" onclick=\"$('#more4').toggle('slow', this);\">+</button>"
                        "<p class=\"more\" id=\"more4\">why</p></td></tr>"),
        std::string::npos)
        << html;
}

TEST_F(HTMLReportTable, RowMarkupWithAndWithoutMore)
{
    resources.writeRule("b", writeRule("^with$", "more", "M<"));
    resources.writeRule("a", writeRule("^with$", "presentation heading", "H&"));
    QorvCSHTMLReportState state;
    state.setItemIndex(4);
    auto report = QorvCSHTMLReport::reportForExport(false);
    const std::string html
        = report->htmlForReportTable(*reporttest::tableWithRows({ { "with", "V>" }, { "without", "W" } }), state);
    EXPECT_EQ(html,
        "<table summary=\"summary\"><caption>caption</caption>"
        "<tr><th>H&amp;</th><td>V&gt; <button type=\"button\" aria-expanded=\"false\" aria-controls=\"more5\" "
        "aria-label=\"Explain H&amp;\" onclick=\"$('#more5').toggle('slow', this);\">+</button>"
        "<p class=\"more\" id=\"more5\">M&lt;</p></td></tr>"
        "<tr><th>without</th><td>W</td></tr></table>");
    EXPECT_EQ(state.itemIndex(), 6u);
}

TEST_F(HTMLReportTable, AcronymMarksEveryOccurrenceOfTheEscapedText)
{
    struct Case {
        const char* value;
        const char* find;
        const char* text;
        const char* cell;
    };
    const Case cases[] = {
        { "AC Power", "AC", "Alternating Current", "<acronym title=\"Alternating Current\">AC</acronym> Power" },
        { "AC or AC", "AC", "x", "<acronym title=\"x\">AC</acronym> or <acronym title=\"x\">AC</acronym>" },
        { "R&D <R&D>", "R&D", "a \"lab\"",
            "<acronym title=\"a &quot;lab&quot;\">R&amp;D</acronym> &lt;<acronym title=\"a "
            "&quot;lab&quot;\">R&amp;D</acronym>&gt;" },
        { "1 < 2", "AC", "x", "1 &lt; 2" },
        { "AAA", "AA", "x", "<acronym title=\"x\">AA</acronym>A" },
        { "Power", "", "x", "Power" },
        // A find text that only occurs inside an entity made by escaping is not marked.
        { "a&b lt", "lt", "x", "a&amp;b <acronym title=\"x\">lt</acronym>" },
        { "a<b", "lt", "x", "a&lt;b" },
    };
    for (const auto& c : cases) {
        resources.writeRule("acronym", acronymRule(c.find, c.text));
        const std::string row = reporttest::renderRow({ "Power Source State", c.value });
        EXPECT_EQ(row, std::string("<tr><th>Power Source State</th><td>") + c.cell + "</td></tr>") << c.value;
    }
}

TEST_F(HTMLReportTable, TheRecordHoldsTheItemsTextsAndLeavesOutAbsentOnes)
{
    auto table = QorvCSReportTable::tableWithSummary("s", "c");
    auto heading = QorvCSReportTableHeading::headingWithTitle("Shown heading");
    heading->setRaw("Raw heading");
    heading->setProvider("heading's provider");
    auto value = QorvCSReportTableValue::valueWithLabel("Shown value");
    value->setProvider("value's provider"); // and no raw text
    table->addHeading(heading, value);

    struct Case {
        const char* key;
        std::optional<std::string> seen;
    };
    const Case cases[] = {
        { "presentation heading", "Shown heading" },
        { "heading", "Raw heading" },
        { "presentation value", "Shown value" },
        { "provider", "value's provider" },
        { "value", std::nullopt },
    };
    for (const auto& c : cases) {
        // The rule shows the entry it finds as the row's longer explanation.
        resources.writeRule("show",
            Value(Value::Dictionary {
                { "match",
                    Value(Value::Dictionary {
                        { "key", c.key }, { "regex", "^(.*)$" }, { "captures", Value::array({ "X" }) } }) },
                { "replace", Value(Value::Dictionary { { "key", "more" }, { "format", "[X]" } }) },
            }));
        QorvCSHTMLReportState state;
        const std::string html = QorvCSHTMLReport::reportForExport(false)->htmlForReportTable(*table, state);
        const size_t at = html.find("id=\"more2\">");
        if (!c.seen) {
            EXPECT_EQ(at, std::string::npos) << c.key << ": " << html;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << c.key << ": " << html;
        EXPECT_EQ(
            html.substr(at + 11, html.find("</p>") - at - 11), QorvCSHTMLReport::escapeString("[" + *c.seen + "]"));
    }
}

TEST_F(HTMLReportTable, RowsShownAlikeStayApartByTheEntriesRulesRead)
{
    // Tables whose rows are shown alike and differ in one entry of their records; a rule explains the rows whose
    // entry holds "x", as its subject or by its filter. Rows are remembered, across tables too, only as far as the
    // rules cannot tell them apart.
    for (const auto& [key, filtered] : std::vector<std::pair<std::string, bool>> {
             { "heading", false }, { "provider", false }, { "value", false }, { "provider", true } }) {
        Value::Dictionary fields {
            { "match",
                Value(Value::Dictionary { { "key", filtered ? "presentation value" : key }, { "regex", "^x$|^s" } }) },
            { "replace", Value(Value::Dictionary { { "key", "more" }, { "format", "why" } }) },
        };
        if (filtered)
            fields.emplace("filter", Value(Value::Dictionary { { key, "x" } }));
        resources.writeRule("explain", Value(std::move(fields)));
        auto table = [&](const char* text) {
            auto heading = QorvCSReportTableHeading::headingWithTitle("Shown");
            heading->setRaw(key == "heading" ? text : "raw");
            auto value = QorvCSReportTableValue::valueWithLabel("shown");
            value->setRaw(key == "value" ? text : "raw");
            value->setProvider(key == "provider" ? text : "raw");
            auto made = QorvCSReportTable::tableWithSummary(text, "");
            made->addHeading(heading, value);
            return made;
        };
        auto report = QorvCSHTMLReport::reportForExport(false);
        report->addItemsFromArray({ table("x"), table("y"), table("x"), table("y") });
        const std::string html = reporttest::body(*report);
        QorvCSReportCupelController::setCachesRules(false);
        EXPECT_EQ(html, reporttest::body(*report)) << key;
        QorvCSReportCupelController::setCachesRules(true);
        EXPECT_NE(
            html.find("<table summary=\"x\"><caption></caption><tr><th>Shown</th><td>shown <button"), std::string::npos)
            << key << ": " << html;
        EXPECT_NE(html.find("<table summary=\"y\"><caption></caption><tr><th>Shown</th><td>shown</td></tr></table>"),
            std::string::npos)
            << key << ": " << html;
    }
}

TEST_F(HTMLReportTable, ARenderingWithoutTablesReadsNoRules)
{
    resources.writeText("QorvCSReportCupel/broken.plist", "not a property list");
    auto report = QorvCSHTMLReport::reportForExport(false);
    report->addItem(QorvCSReportTitle::titleWithText("T"));
    EXPECT_EQ(reporttest::body(*report), "<h1>T</h1>");

    report->addItem(reporttest::tableWithRows({ { "a", "1" } }));
    try {
        report->asHTML();
        ADD_FAILURE() << "no assertion";
    } catch (const qorv::AssertionFailure& failure) {
        EXPECT_STREQ(failure.what(), "Invalid parameter not satisfying: someFields");
    }
}

TEST_F(HTMLReportTable, EachRenderingReadsTheRulesAsTheyNowAre)
{
    resources.writeRule("rule", writeRule("^a$", "presentation value", "first"));
    auto report = QorvCSHTMLReport::reportForExport(false);
    report->addItem(reporttest::tableWithRows({ { "a", "1" } }));
    EXPECT_NE(report->asHTML().find("<td>first</td>"), std::string::npos);
    resources.writeRule("rule", writeRule("^a$", "presentation value", "again"));
    EXPECT_NE(report->asHTML().find("<td>again</td>"), std::string::npos);
    resources.writeRule("another", writeRule("^a$", "presentation value", "third"));
    EXPECT_NE(report->asHTML().find("<td>third</td>"), std::string::npos) << "\"rule\" sorts last, so is applied first";
}

TEST_F(HTMLReportTable, ReportsSharingRenderedRowsTakeOnlyRowsStillTrue)
{
    resources.writeRule("rule", writeRule("^a$", "presentation value", "first"));
    auto table = reporttest::tableWithRows({ { "a", "1" } });
    auto shown = QorvCSHTMLReport::reportForExport(false);
    auto exported = QorvCSHTMLReport::reportForExport(true);
    exported->shareRenderedRowsWith(*shown);
    shown->addItem(table);
    exported->addItem(table);
    EXPECT_NE(shown->asHTML().find("<td>first</td>"), std::string::npos);
    EXPECT_NE(exported->asHTML().find("<td>first</td>"), std::string::npos);

    // Rules changed and rows added since are rendered anew.
    resources.writeRule("rule", writeRule("^a$", "presentation value", "again"));
    EXPECT_NE(exported->asHTML().find("<td>again</td>"), std::string::npos);
    table->addHeading(QorvCSReportTableHeading::headingWithTitle("b"), QorvCSReportTableValue::valueWithLabel("2"));
    EXPECT_NE(shown->asHTML().find("<th>b</th><td>2</td>"), std::string::npos);

    // The two documents of one rendering apply one reading of the rule folder; the next rendering reads it again.
    EXPECT_NE(exported->asHTML().find("<td>again</td>"), std::string::npos);
    resources.writeRule("rule", writeRule("^a$", "presentation value", "third"));
    EXPECT_NE(shown->asHTML().find("<td>again</td>"), std::string::npos);
    EXPECT_NE(exported->asHTML().find("<td>third</td>"), std::string::npos);
    EXPECT_NE(shown->asHTML().find("<td>third</td>"), std::string::npos);
    EXPECT_NE(shown->asHTML().find("<td>third</td>"), std::string::npos);
}

TEST(ReportTableChanges, OnlyChangesInsideTablesAndFiguresArePatches)
{
    using Replacement = QorvCSReportTableChanges::Replacement;
    const std::string chart
        = "<figure class=\"history-chart\"><svg><path d=\"M0 1\"/></svg><figcaption>Charge</figcaption>"
          "</figure>";
    const std::string movedChart = "<figure class=\"history-chart\"><svg><path d=\"M0 2\"/></svg><figcaption>Charge"
                                   "</figcaption></figure>";
    const std::string first = "<h1>A</h1><table summary=\"a\"><tr><td>1</td></tr></table>";
    const std::string shown = first + chart + "<h1>B</h1><table>2</table>";
    struct Case {
        std::string next;
        std::optional<std::vector<Replacement>> replacements; // nullopt: load the page
    };
    const Case cases[] = {
        { shown, std::vector<Replacement> {} },
        { "<h1>A</h1><table summary=\"a\"><tr><td>7</td></tr></table>" + chart + "<h1>B</h1><table>2</table>",
            std::vector<Replacement> { { 0, "<table summary=\"a\"><tr><td>7</td></tr></table>" } } },
        { "<h1>A</h1><table summary=\"a\"><tr><td>1</td></tr><tr><td>+</td></tr></table>" + chart
                + "<h1>B</h1><table>3</table>",
            std::vector<Replacement> { { 0, "<table summary=\"a\"><tr><td>1</td></tr><tr><td>+</td></tr></table>" },
                { 2, "<table>3</table>" } } },
        { first + movedChart + "<h1>B</h1><table>3</table>",
            std::vector<Replacement> { { 1, movedChart }, { 2, "<table>3</table>" } } },
        { "<h1>A!</h1><table summary=\"a\"><tr><td>1</td></tr></table>" + chart + "<h1>B</h1><table>2</table>",
            std::nullopt },
        { shown + "<h1>C</h1><table>3</table>", std::nullopt },
        { first + chart + chart + "<h1>B</h1><table>2</table>", std::nullopt },
        { first + "<h1>B</h1><table>2</table>", std::nullopt },
        { first + chart + "<h1>B</h1>", std::nullopt },
        { "<h1>A</h1><table><table>1</table></table>" + chart + "<h1>B</h1><table>2</table>", std::nullopt },
        { first + "<figure><table>1</table></figure><h1>B</h1><table>2</table>", std::nullopt },
        { first + "<figure>1</figure></figure><h1>B</h1><table>2</table>", std::nullopt },
        { "<h1>A</h1><table summary=\"a\">1<h1>B</h1>" + chart + "<table>2</table>", std::nullopt },
        { "<h1>A</h1><tablet>1</tablet>" + chart + "<h1>B</h1><table>2</table>", std::nullopt },
        { first + "<figures>1</figures><h1>B</h1><table>2</table>", std::nullopt },
    };
    for (const auto& c : cases) {
        const auto changes = QorvCSReportTableChanges::between(shown, c.next);
        ASSERT_EQ(changes.has_value(), c.replacements.has_value()) << c.next;
        if (changes) {
            EXPECT_EQ(changes->replacements, *c.replacements) << c.next;
            EXPECT_EQ(changes->tableCount, 3u);
        }
    }
}
