#include "ProfilerTestSupport.h"

#include "QorvCSContentComputerGroup.h"
#include "QorvCSContentSystemProfileDataType.h"
#include "QorvCSHTMLReport.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"

#include <gtest/gtest.h>

using qorv::Value;

namespace {

using DataTypes = QorvCSSystemProfilerController::DataTypes;

std::shared_ptr<const DataTypes> dataTypesNamed(std::initializer_list<const char*> identifiers)
{
    auto list = std::make_shared<DataTypes>();
    for (const char* identifier : identifiers)
        list->push_back(QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(Value::Dictionary {
            { "_dataType", identifier }, { "_items", Value::Array { Value::Dictionary { { "value", identifier } } } },
            { "_properties", Value::Dictionary {} } }));
    return list;
}

std::vector<std::string> childIDs(QorvCSContent& node)
{
    std::vector<std::string> ids;
    for (const auto& child : *node.children())
        ids.push_back(child->uniqueID());
    return ids;
}

// A group whose own profiler run has ended (the test names no tool), ready for deliveries.
std::shared_ptr<QorvCSContentComputerGroup> idleGroup()
{
    qorv::LogCapture quiet;
    auto group = QorvCSContentComputerGroup::computerContentGroup();
    EXPECT_TRUE(waitUntilFinished(*group->systemProfiler()));
    return group;
}

struct Notifications {
    std::vector<std::shared_ptr<QorvCSContent>> contents;
    explicit Notifications(const QorvCSContent* object)
    {
        qorv::NotificationCenter::defaultCenter().addObserver(
            this,
            [this](const qorv::Notification& n) {
                auto it = n.userInfo.find(QorvCSContentNotificationKeyContent);
                contents.push_back(
                    it == n.userInfo.end() ? nullptr : std::any_cast<std::shared_ptr<QorvCSContent>>(it->second));
            },
            std::string(QorvCSContentNotificationDidUpdate), object);
    }
    ~Notifications() { qorv::NotificationCenter::defaultCenter().removeObserver(this); }
};

} // namespace

TEST(QorvCSContentComputerGroup, SearchesWhileTheToolRunsAndSaysSoWhenItEndsWithout)
{
    ScopedResources resources;
    resources.useTool({ fakeProfiler, "hang", resources.path("pid") });
    resources.write("en.lproj/Localizable.strings", "");
    auto running = QorvCSContentComputerGroup::computerContentGroup();
    EXPECT_EQ(running->uniqueID(), "computer");
    EXPECT_TRUE(running->isGroup());
    ASSERT_EQ(running->numberOfChildren(), 1u);
    const auto placeholder = running->childAtIndex(0);
    EXPECT_EQ(placeholder, running->searchingContent());
    EXPECT_EQ(placeholder->uniqueID(), "QorvCSContentComputerGroup.searching.label");
    EXPECT_EQ(placeholder->label(), "QorvCSContentComputerGroup.searching.label") << "no translation: the key";
    EXPECT_FALSE(placeholder->include());
    EXPECT_FALSE(placeholder->canInclude());
    QorvCSReport report(false);
    EXPECT_TRUE(running->itemsForReport(report).empty()) << "no computer section, not even its title";
    running.reset();

    // A failed run (no tool named) is announced: the group stops searching and the report says why it is empty.
    resources.useTool({});
    resources.write("en.lproj/Localizable.strings",
        "\"QorvCSContentComputerGroup.searching.label\" = \"Searching…\";\n\"QorvCSContentComputerGroup.label\" = "
        "\"This Computer\";\n\"QorvCSContentComputerGroup.unavailable.label\" = \"Inventory unavailable\";\n");
    auto failed = idleGroup();
    EXPECT_EQ(failed->searchingContent()->label(), "Searching…");
    EXPECT_EQ(failed->label(), "This Computer");
    ASSERT_EQ(failed->numberOfChildren(), 1u);
    const auto notice = failed->childAtIndex(0);
    EXPECT_EQ(notice, failed->unavailableContent());
    EXPECT_EQ(notice->uniqueID(), "QorvCSContentComputerGroup.unavailable.label");
    EXPECT_FALSE(notice->canInclude()) << "nothing to tick";
    const auto items = failed->itemsForReport(report); // the group's title, start, the notice, end
    ASSERT_EQ(items.size(), 4u);
    const auto title = std::dynamic_pointer_cast<QorvCSReportTitle>(items[2]);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->title(), "Inventory unavailable");
}

TEST(QorvCSContentComputerGroup, RebuildsChildrenOnEveryDeliveryAndKeepsNodesByIdentifier)
{
    ScopedResources resources;
    resources.useTool({});
    auto group = idleGroup();
    auto profiler = group->systemProfiler();
    Notifications posted(group.get());

    profiler->setDataTypes(dataTypesNamed({ "SPHardwareDataType", "SPSoftwareDataType", "SPMemoryDataType" }));
    EXPECT_EQ(childIDs(*group),
        (std::vector<std::string> { "SPHardwareDataType", "SPSoftwareDataType", "SPMemoryDataType" }));
    ASSERT_EQ(posted.contents.size(), 1u);
    EXPECT_EQ(posted.contents[0], group);
    const auto software = group->childWithUniqueID("SPSoftwareDataType");
    software->setInclude(false);
    EXPECT_EQ(software->parent(), group.get());

    const auto second = dataTypesNamed({ "SPSoftwareDataType", "SPUSBDataType" });
    profiler->setDataTypes(second);
    EXPECT_EQ(childIDs(*group), (std::vector<std::string> { "SPSoftwareDataType", "SPUSBDataType" }));
    EXPECT_EQ(group->childAtIndex(0), software) << "the same node, with the user's choice";
    EXPECT_FALSE(software->include());
    EXPECT_EQ(std::dynamic_pointer_cast<QorvCSContentSystemProfileDataType>(software)->dataType(), second->front())
        << "with the fresh data";
    EXPECT_EQ(posted.contents.size(), 2u);

    // The run is over: an empty inventory is not something to wait for.
    const auto placeholder = group->unavailableContent();
    profiler->setDataTypes(std::make_shared<DataTypes>());
    EXPECT_EQ(childIDs(*group), (std::vector<std::string> { placeholder->uniqueID() }));
    EXPECT_EQ(group->childAtIndex(0), placeholder) << "made once and reused";
    EXPECT_EQ(software->parent(), nullptr);
    EXPECT_EQ(posted.contents.size(), 3u);
}

TEST(QorvCSContentComputerGroup, RepeatedIdentifiersGetNodesOfTheirOwn)
{
    ScopedResources resources;
    resources.useTool({});
    auto group = idleGroup();
    group->systemProfiler()->setDataTypes(dataTypesNamed({ "Untitled", "SPA", "Untitled" }));
    const auto first = group->childAtIndex(0);
    const auto third = group->childAtIndex(2);
    EXPECT_NE(first, third);
    EXPECT_EQ(third->parent(), group.get());
    third->setInclude(false);

    group->systemProfiler()->setDataTypes(dataTypesNamed({ "Untitled", "Untitled" }));
    EXPECT_EQ(group->childAtIndex(0), first);
    EXPECT_EQ(group->childAtIndex(1), third);
    EXPECT_FALSE(group->childAtIndex(1)->include());
}

TEST(QorvCSContentComputerGroup, TheBaseInitialiserIsRejected)
{
    ScopedResources resources;
    resources.useTool({});
    try {
        QorvCSContentComputerGroup::contentWithUniqueID("computer", "Computer");
        ADD_FAILURE() << "made a group through the base initialiser";
    } catch (const qorv::AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "QorvCSContentComputerGroup does not suport initWith...");
    }
}

TEST(QorvCSContentComputerGroup, TheRealInventoryRendersAsOneSectionPerDataType)
{
    ScopedResources resources;
    resources.useTool({ fakeProfiler, "print", realFixture });
    resources.write("QorvCSHTMLReport.plist",
        qorv::PropertyList::toXML(Value::Dictionary { { "top", "<body>" }, { "bottom", "</body>" } }));
    auto root = QorvCSContent::rootContent();
    root->setChildren(std::make_shared<QorvCSContent::Children>(
        QorvCSContent::Children { QorvCSContentComputerGroup::computerContentGroup() }));
    auto group = std::dynamic_pointer_cast<QorvCSContentComputerGroup>(root->childAtIndex(0));
    Notifications posted(root.get());
    ASSERT_TRUE(waitUntilFinished(*group->systemProfiler()));
    EXPECT_EQ(posted.contents.size(), 1u) << "the delivery reaches the root";

    // One node per data type, in the tool's order; those without properties add nothing to the report.
    const auto& dataTypes = *group->systemProfiler()->dataTypes();
    ASSERT_EQ(group->numberOfChildren(), 42u);
    std::string expectedSections;
    for (size_t i = 0; i < dataTypes.size(); ++i) {
        auto node
            = std::dynamic_pointer_cast<QorvCSContentSystemProfileDataType>(group->childAtIndex(static_cast<long>(i)));
        ASSERT_TRUE(node);
        EXPECT_EQ(node->uniqueID(), dataTypes[i]->dataType());
        if (!dataTypes[i]->orderedItems().empty())
            expectedSections += "<h2>" + QorvCSHTMLReport::escapeString(node->localisedLabel()) + "</h2>";
    }

    auto report = QorvCSHTMLReport::reportForExport(false);
    report->setItems(root->itemsForReport(*report));
    const std::string html = report->asHTML();
    ASSERT_TRUE(
        html.starts_with("<body><h1>" + QorvCSHTMLReport::escapeString(group->localisedLabel()) + "</h1><div><h2>"));
    EXPECT_TRUE(html.ends_with("</table></div></body>"));
    std::string sections;
    for (size_t at = html.find("<h2>"); at != std::string::npos; at = html.find("<h2>", at + 1))
        sections += html.substr(at, html.find("</h2>", at) + 5 - at);
    EXPECT_EQ(sections, expectedSections);

    // The software section: described properties in their order, then the rest by name, under the headings of
    // the shipped English table.
    const auto software = group->childWithUniqueID("SPSoftwareDataType");
    EXPECT_EQ(software->localisedLabel(), "System Software Overview");
    const std::string softwareTitle = "<h2>" + QorvCSHTMLReport::escapeString(software->localisedLabel()) + "</h2>";
    const size_t start = html.find(softwareTitle);
    ASSERT_NE(start, std::string::npos);
    const std::string section = html.substr(start, html.find("</table>", start) - start);
    std::vector<std::string> values;
    for (size_t at = section.find("<td>"); at != std::string::npos; at = section.find("<td>", at + 1))
        values.push_back(section.substr(at + 4, section.find("</td>", at) - at - 4));
    EXPECT_EQ(values,
        (std::vector<std::string> {
            "Mac OS X 10.7.5 (11G63)", "Darwin 11.4.2", software->localise("yes"), "up 0:6:23:37" }));
}
