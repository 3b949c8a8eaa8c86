#include "QorvCSHTMLReport.h"

#include "foundation/Assert.h"

#include "AssertionMessage.h"

#include <gtest/gtest.h>

namespace { } // namespace

TEST(ReportItems, NullArgumentsFailTheirAssertions)
{
    auto report = QorvCSReport::reportForExport(false);
    auto table = QorvCSReportTable::tableWithSummary("s", "c");
    auto heading = QorvCSReportTableHeading::headingWithTitle("h");
    auto value = QorvCSReportTableValue::valueWithLabel("v");
    EXPECT_EQ(assertionMessage([&] { report->addItem(nullptr); }), "Invalid parameter not satisfying: anItem");
    EXPECT_EQ(assertionMessage([&] { report->addItemsFromArray({ nullptr }); }),
        "Invalid parameter not satisfying: someItems");
    EXPECT_EQ(
        assertionMessage([&] { table->addHeading(nullptr, nullptr); }), "Invalid parameter not satisfying: aHeading");
    EXPECT_EQ(
        assertionMessage([&] { table->addHeading(heading, nullptr); }), "Invalid parameter not satisfying: aValue");
    EXPECT_EQ(assertionMessage([&] {
        table->addHeadingAndValue({ heading, nullptr });
    }),
        "Invalid parameter not satisfying: aPair");
    EXPECT_TRUE(report->items().empty());
    EXPECT_TRUE(table->headingValuePairs()->empty());
}

TEST(ReportItems, AppendingAPairLeavesAListFetchedEarlierAlone)
{
    auto table = QorvCSReportTable::tableWithSummary("s", "c");
    auto before = table->headingValuePairs();
    auto heading = QorvCSReportTableHeading::headingWithTitle("h");
    auto value = QorvCSReportTableValue::valueWithLabel("v");
    table->addHeading(heading, value);
    table->addHeadingAndValue({ heading, value });
    EXPECT_EQ(before->size(), 0u);
    ASSERT_EQ(table->headingValuePairs()->size(), 2u);
    EXPECT_EQ(table->headingValuePairs()->at(1).heading, heading);
    EXPECT_EQ(table->headingValuePairs()->at(1).value, value);

    // Rows are appended in place only while nobody else holds the list.
    auto middle = table->headingValuePairs();
    table->addHeading(heading, value);
    EXPECT_EQ(middle->size(), 2u);
    EXPECT_EQ(table->headingValuePairs()->size(), 3u);
}
