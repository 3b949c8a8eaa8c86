#include "QorvCSHTMLReport.h"

#include "foundation/Assert.h"

#include <gtest/gtest.h>

namespace {

std::string failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const qorv::AssertionFailure& failure) {
        return failure.what();
    }
    return "no assertion";
}

} // namespace

TEST(ReportItems, FactoriesMakeTheClassTheyAreCalledOn)
{
    std::shared_ptr<QorvCSReport> renderer = QorvCSHTMLReport::reportForExport(true);
    EXPECT_EQ(renderer->className(), "QorvCSHTMLReport");
    EXPECT_NE(std::dynamic_pointer_cast<QorvCSHTMLReport>(renderer), nullptr);
    EXPECT_TRUE(renderer->forExport());
    EXPECT_TRUE(renderer->items().empty());
    EXPECT_EQ(QorvCSReport::reportForExport(false)->className(), "QorvCSReport");
    EXPECT_FALSE(QorvCSReport::reportForExport(false)->forExport());

    std::shared_ptr<QorvCSReportItem> end = QorvCSReportSubSectionEnd::item();
    EXPECT_EQ(end->className(), "QorvCSReportSubSectionEnd");
    EXPECT_EQ(QorvCSReportSubSectionStart::item()->className(), "QorvCSReportSubSectionStart");
    EXPECT_EQ(QorvCSReportItem::item()->className(), "QorvCSReportItem");
    EXPECT_EQ(end->raw(), std::nullopt);
    EXPECT_EQ(end->provider(), std::nullopt);
}

TEST(ReportItems, AddingItemsKeepsTheirOrderAfterThoseAlreadyThere)
{
    auto report = QorvCSReport::reportForExport(false);
    auto a = QorvCSReportTitle::titleWithText("a");
    auto b = QorvCSReportTitle::titleWithText("b");
    auto c = QorvCSReportTitle::titleWithText("c");
    report->addItem(a);
    report->addItemsFromArray({});
    report->addItemsFromArray({ b, c });
    EXPECT_EQ(report->items(), (QorvCSReportItemList { a, b, c }));
}

TEST(ReportItems, NullArgumentsFailTheirAssertions)
{
    auto report = QorvCSReport::reportForExport(false);
    auto table = QorvCSReportTable::tableWithSummary("s", "c");
    auto heading = QorvCSReportTableHeading::headingWithTitle("h");
    auto value = QorvCSReportTableValue::valueWithLabel("v");
    EXPECT_EQ(failureOf([&] { report->addItem(nullptr); }), "Invalid parameter not satisfying: anItem");
    EXPECT_EQ(
        failureOf([&] { report->addItemsFromArray({ nullptr }); }), "Invalid parameter not satisfying: someItems");
    EXPECT_EQ(failureOf([&] { table->addHeading(nullptr, nullptr); }), "Invalid parameter not satisfying: aHeading");
    EXPECT_EQ(failureOf([&] { table->addHeading(heading, nullptr); }), "Invalid parameter not satisfying: aValue");
    EXPECT_EQ(failureOf([&] {
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
