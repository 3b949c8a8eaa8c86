#include "ContentTestSupport.h"

#include "QorvCSContentController.h"

#include <gtest/gtest.h>

using qorv::Value;

namespace {

// A controller over a small tree of our own: root → "Power Sources" group (battery, ups), "Empty" group.
class ContentControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        drainMainRunLoop();
        root = QorvCSContent::rootContent();
        group = makeNode("power-source", "Power Sources", true);
        battery = makeNode<TitledLeaf>("battery", "Battery");
        ups = makeNode<TitledLeaf>("ups", "UPS");
        group->setChildren(listOf({ battery, ups }));
        empty = makeNode("empty", "Empty", true);
        root->setChildren(listOf({ group, empty }));
        controller.setRoot(root);
    }
    void TearDown() override { drainMainRunLoop(); }

    std::shared_ptr<QorvCSContent> root, group, battery, ups, empty;
    QorvCSContentController controller;
};

const QorvCSOutlineColumn includeColumn { "include" };
const QorvCSOutlineColumn labelColumn { "localisedLabel" };
const QorvCSOutlineColumn unnamedColumn { "" };

} // namespace

TEST_F(ContentControllerTest, NullItemStandsForTheRoot)
{
    EXPECT_EQ(controller.numberOfChildrenOfItem(nullptr), 2u);
    EXPECT_TRUE(controller.isItemExpandable(nullptr));
    EXPECT_EQ(controller.child(0, nullptr), group);
    EXPECT_EQ(controller.child(1, nullptr), empty);

    EXPECT_EQ(controller.numberOfChildrenOfItem(group.get()), 2u);
    EXPECT_EQ(controller.child(1, group.get()), ups);
    EXPECT_FALSE(controller.isItemExpandable(empty.get()));
    EXPECT_FALSE(controller.isItemExpandable(battery.get()));
    EXPECT_EQ(controller.numberOfChildrenOfItem(battery.get()), 0u);
}

TEST_F(ContentControllerTest, ObjectValuesByColumn)
{
    struct Case {
        const QorvCSOutlineColumn* column;
        std::shared_ptr<QorvCSContent> item;
        Value expected;
        const char* what;
    };
    const Case cases[] = {
        { nullptr, group, Value("POWER SOURCES"), "a full-width group row shows its label in upper case" },
        { &labelColumn, group, Value("POWER SOURCES"), "any string of a group is upper case" },
        { &includeColumn, group, Value(true), "a group's flag stays a flag" },
        { &labelColumn, battery, Value("Battery"), "a section's text is unchanged" },
        { &includeColumn, battery, Value(true), "the checkbox" },
        { nullptr, battery, Value("Battery"), "no column: the label" },
        { &unnamedColumn, battery, Value(), "a column without identifier reads nothing" },
        { &unnamedColumn, group, Value(), "also on a group row" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(controller.objectValueForTableColumn(c.column, c.item.get()), c.expected) << c.what;

    const QorvCSOutlineColumn unknown { "voltage" };
    EXPECT_TRUE(controller.objectValueForTableColumn(&unknown, battery.get()).isNull());
}

TEST_F(ContentControllerTest, GroupLabelIsUpperCasedButNotItsLabel)
{
    group->setLabel("Mixed case, ünïcode");
    EXPECT_EQ(controller.objectValueForTableColumn(nullptr, group.get()), Value("MIXED CASE, üNïCODE"))
        << "plain upper-casing leaves multi-byte text intact";
    EXPECT_EQ(group->label(), "Mixed case, ünïcode");
}

TEST_F(ContentControllerTest, CheckboxWriteIsAnnouncedOnTheNextRunLoopPass)
{
    NotificationLog log(QorvCSContentControllerNotificationDidUpdate, &controller);
    controller.setObjectValue(Value(false), &includeColumn, battery.get());
    EXPECT_FALSE(battery->include()) << "the write happens at once";
    EXPECT_TRUE(log.received.empty()) << "the announcement waits for the sidebar to finish its click";

    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    ASSERT_EQ(log.received.size(), 1u);
    // The announcement is the root's: the node key names the root, so the whole outline is reloaded.
    EXPECT_EQ(
        log.received[0].userInfoValue<std::shared_ptr<QorvCSContent>>(QorvCSContentControllerNotificationKeyContent),
        root);

    QorvCSReport report(false);
    EXPECT_EQ(describe(controller.itemsForReport(report)),
        (std::vector<std::string> { "Title:Power Sources", "Start", "Title:UPS", "End" }));

    controller.setObjectValue(Value(1), &includeColumn, battery.get());
    EXPECT_TRUE(battery->include());
    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    EXPECT_EQ(log.received.size(), 2u);
}

TEST_F(ContentControllerTest, WriteToAColumnWithoutIdentifierDoesNothing)
{
    NotificationLog log(QorvCSContentControllerNotificationDidUpdate, &controller);
    controller.setObjectValue(Value(false), &unnamedColumn, battery.get());
    controller.setObjectValue(Value(false), nullptr, battery.get());
    EXPECT_TRUE(battery->include());
    drainMainRunLoop();
    EXPECT_TRUE(log.received.empty());
}

TEST_F(ContentControllerTest, CheckboxAnnouncementOfAReleasedTreeIsDropped)
{
    NotificationLog log(QorvCSContentControllerNotificationDidUpdate, &controller);
    controller.setObjectValue(Value(false), &includeColumn, battery.get());
    controller.setRoot(nullptr);
    root.reset();
    drainMainRunLoop();
    EXPECT_TRUE(log.received.empty());
}

TEST_F(ContentControllerTest, RepostsNodeChangesWithAndWithoutTheNode)
{
    NotificationLog log(QorvCSContentControllerNotificationDidUpdate, &controller);
    ups->postDidChangeNotification();
    ASSERT_EQ(log.received.size(), 1u);
    EXPECT_EQ(log.received[0].object, &controller);
    EXPECT_EQ(
        log.received[0].userInfoValue<std::shared_ptr<QorvCSContent>>(QorvCSContentControllerNotificationKeyContent),
        ups);
    EXPECT_EQ(log.received[0].userInfo.count(std::string(QorvCSContentNotificationKeyContent)), 0u)
        << "the incoming key is not passed on";

    // A change posted without a node: the key is absent, not present with an empty value.
    qorv::NotificationCenter::defaultCenter().post(std::string(QorvCSContentNotificationDidUpdate), root.get());
    ASSERT_EQ(log.received.size(), 2u);
    EXPECT_TRUE(log.received[1].userInfo.empty());

    // Other names from the root, and the same name from another object, are not re-posted.
    qorv::NotificationCenter::defaultCenter().post("QorvCSContentNotificationSomethingElse", root.get(),
        { { std::string(QorvCSContentNotificationKeyContent), ups } });
    auto stranger = QorvCSContent::rootContent();
    stranger->postDidChangeNotification();
    EXPECT_EQ(log.received.size(), 2u);
}

TEST_F(ContentControllerTest, ReplacingTheRootMovesTheObservation)
{
    NotificationLog log(QorvCSContentControllerNotificationDidUpdate, &controller);
    const size_t observers = qorv::NotificationCenter::defaultCenter().observerCount();
    controller.setRoot(root);
    EXPECT_EQ(qorv::NotificationCenter::defaultCenter().observerCount(), observers) << "same root: nothing happens";

    auto replacement = QorvCSContent::rootContent();
    controller.setRoot(replacement);
    EXPECT_EQ(controller.root(), replacement);
    EXPECT_EQ(qorv::NotificationCenter::defaultCenter().observerCount(), observers);
    battery->postDidChangeNotification();
    EXPECT_TRUE(log.received.empty()) << "the old root is no longer observed";
    replacement->postDidChangeNotification();
    EXPECT_EQ(log.received.size(), 1u);
}

TEST(QorvCSContentController, StopsObservingWhenItGoes)
{
    auto& center = qorv::NotificationCenter::defaultCenter();
    const size_t before = center.observerCount();
    auto root = QorvCSContent::rootContent();
    {
        QorvCSContentController controller;
        controller.setRoot(root);
        EXPECT_EQ(center.observerCount(), before + 1);
    }
    EXPECT_EQ(center.observerCount(), before);
    root->postDidChangeNotification(); // reaches no released controller
}
