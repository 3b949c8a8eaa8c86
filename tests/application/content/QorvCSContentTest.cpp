#include "ContentTestSupport.h"

#include "foundation/Assert.h"

#include "AssertionMessage.h"

#include <gtest/gtest.h>

using qorv::Value;

namespace {

// A node that adds keys of its own to the debug dictionary, one of them clashing with "children".
class DebugNode : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    std::string_view className() const override { return "DebugNode"; }
    void insertDebugValues(Value::Dictionary& values) override
    {
        values["extra"] = "mine";
        values["children"] = "replaced later";
    }
};

// A node whose class name forms its localisation keys.
class QualifiedNode : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    std::string_view className() const override { return "QualifiedNode"; }
};

} // namespace

TEST(QorvCSContent, GroupWithoutChildrenHasAnEmptyListAndNoReport)
{
    auto group = makeNode("power-source", "Power Sources", true);
    ASSERT_NE(group->children(), nullptr);
    EXPECT_TRUE(group->children()->empty());
    EXPECT_EQ(group->children(), group->children()) << "the stored list is returned again, not a new one";
    EXPECT_EQ(group->numberOfChildren(), 0u);
    EXPECT_FALSE(group->isExpandable());
    QorvCSReport report(false);
    EXPECT_TRUE(group->itemsForReport(report).empty()) << "not even the group's title";

    auto root = QorvCSContent::rootContent();
    root->setChildren(listOf({ group }));
    EXPECT_TRUE(root->itemsForReport(report).empty());
}

TEST(QorvCSContent, ExcludedChildrenContributeNothingAndIncludingOneRestoresTheTitle)
{
    auto group = makeNode("group", "Group", true);
    auto a = makeNode<TitledLeaf>("a", "A");
    auto b = makeNode<TitledLeaf>("b", "B");
    group->setChildren(listOf({ a, b }));
    QorvCSReport report(false);
    EXPECT_EQ(describe(group->itemsForReport(report)),
        (std::vector<std::string> { "Title:Group", "Start", "Title:A", "Title:B", "End" }));

    a->setInclude(false);
    b->setInclude(false);
    EXPECT_TRUE(group->itemsForReport(report).empty());

    b->setInclude(true);
    EXPECT_EQ(describe(group->itemsForReport(report)),
        (std::vector<std::string> { "Title:Group", "Start", "Title:B", "End" }));

    // An excluded child gives nothing, whatever it contains.
    auto inner = makeNode("inner", "Inner", true);
    inner->setChildren(listOf({ makeNode<TitledLeaf>("leaf", "Leaf") }));
    inner->setInclude(false);
    group->setChildren(listOf({ inner }));
    EXPECT_TRUE(group->itemsForReport(report).empty());
    group->setChildren(listOf({ b }));

    // The node's own flag is for its parent to read.
    group->setInclude(false);
    EXPECT_FALSE(group->itemsForReport(report).empty());
    auto root = QorvCSContent::rootContent();
    root->setChildren(listOf({ group }));
    EXPECT_TRUE(root->itemsForReport(report).empty());
}

TEST(QorvCSContent, RootReportsItsChildrenWithoutTitleOrSection)
{
    auto root = QorvCSContent::rootContent();
    auto first = makeNode("first", "First", true);
    first->setChildren(listOf({ makeNode<TitledLeaf>("x", "X") }));
    auto second = makeNode("second", "Second", true);
    second->setChildren(listOf({ makeNode<TitledLeaf>("y", "Y") }));
    root->setChildren(listOf({ first, makeNode("empty", "Empty", true), second }));
    QorvCSReport report(true);
    EXPECT_EQ(describe(root->itemsForReport(report)),
        (std::vector<std::string> {
            "Title:First", "Start", "Title:X", "End", "Title:Second", "Start", "Title:Y", "End" }));
}

TEST(QorvCSContent, SetChildrenKeepsSharedNodesAttachedAndDetachesTheRest)
{
    auto parent = makeNode("parent", "Parent", true);
    auto a = makeNode("a");
    auto b = makeNode("b");
    auto c = makeNode("c");
    parent->setChildren(listOf({ a, b }));
    EXPECT_EQ(a->parent(), parent.get());
    EXPECT_EQ(b->parent(), parent.get());

    parent->setChildren(listOf({ b, c }));
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_EQ(b->parent(), parent.get());
    EXPECT_EQ(c->parent(), parent.get());

    // The very list already held changes nothing, even after a child was unhooked by hand.
    auto held = parent->children();
    c->setParent(nullptr);
    parent->setChildren(held);
    EXPECT_EQ(c->parent(), nullptr);

    // The list is kept, not copied.
    auto list = listOf({ a });
    parent->setChildren(list);
    EXPECT_EQ(parent->children(), list);
    EXPECT_EQ(b->parent(), nullptr);

    parent->setChildren(nullptr);
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_NE(parent->children(), nullptr) << "a group reads an empty list again";
}

TEST(QorvCSContent, ChildrenThatOutliveTheirParentHaveNoParent)
{
    auto child = makeNode("child");
    auto grandchild = makeNode("grandchild");
    child->setChildren(listOf({ grandchild }));
    {
        auto parent = QorvCSContent::rootContent();
        parent->setChildren(listOf({ child }));
        EXPECT_EQ(grandchild->root(), parent.get());
        EXPECT_EQ(parent->root(), parent.get());
    }
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(grandchild->root(), child.get());
}

TEST(QorvCSContent, ChildAtIndexChecksBothBounds)
{
    auto group = makeNode("group", "Group", true);
    auto a = makeNode("a");
    auto b = makeNode("b");
    group->setChildren(listOf({ a, b }));
    EXPECT_EQ(group->childAtIndex(0), a);
    EXPECT_EQ(group->childAtIndex(1), b);

    struct Case {
        long index;
        const char* message;
    };
    for (const Case& c :
        { Case { 2, "Child index out of bounds" }, Case { -1, "Invalid parameter not satisfying: anIndex >= 0" } })
        EXPECT_EQ(assertionMessage([&] { group->childAtIndex(c.index); }), c.message) << "index " << c.index;

    auto leaf = makeNode("leaf");
    EXPECT_EQ(assertionMessage([&] { leaf->childAtIndex(0); }), "Child index out of bounds") << "no list at all";
}

TEST(QorvCSContent, ChildWithUniqueIDFindsTheFirstDirectChildOnly)
{
    auto group = makeNode("group", "Group", true);
    auto first = makeNode("same", "first");
    auto second = makeNode("same", "second");
    auto holder = makeNode("holder", "Holder", true);
    holder->setChildren(listOf({ makeNode("deep") }));
    group->setChildren(listOf({ first, second, holder }));
    EXPECT_EQ(group->childWithUniqueID("same"), first);
    EXPECT_EQ(group->childWithUniqueID("holder"), holder);
    EXPECT_EQ(group->childWithUniqueID("deep"), nullptr);
    EXPECT_EQ(group->childWithUniqueID("sam"), nullptr);
    EXPECT_EQ(makeNode("leaf")->childWithUniqueID("same"), nullptr);
}

TEST(QorvCSContent, LocalisePrefersTheClassQualifiedKey)
{
    ScopedStrings strings(R"("QualifiedNode.Voltage" = "Qualified voltage";
"Voltage" = "Bare voltage";
"Amperage" = "Bare amperage";
"QorvCSContent.Only" = "Base only";
)");
    QualifiedNode qualified("q", "q");
    QorvCSContent plain("p", "p");

    struct Case {
        const QorvCSContent& node;
        const char* text;
        const char* expected;
    };
    for (const Case& c : {
             Case { qualified, "Voltage", "Qualified voltage" },
             Case { plain, "Voltage", "Bare voltage" },
             Case { qualified, "Amperage", "Bare amperage" },
             Case { qualified, "Only", "Only" }, // the base class's key is not the subclass's
             Case { plain, "Only", "Base only" },
             Case { qualified, "Untranslated", "Untranslated" },
             Case { qualified, "", "" },
         })
        EXPECT_EQ(c.node.localise(c.text), c.expected) << c.node.className() << " / " << c.text;
}

TEST(QorvCSContent, LocalisedAndProviderLabelsAreCachedUntilTheLabelChanges)
{
    ScopedStrings strings(R"("QualifiedNode.battery" = "Battery";
"QualifiedNode.adapter" = "Adapter";
)");
    QualifiedNode node("n", "battery");
    EXPECT_EQ(node.localisedLabel(), "Battery");
    EXPECT_EQ(*node.providerLabel(), "battery");

    // A stored value stands until the label really changes.
    node.setLocalisedLabel(std::string("Cached"));
    node.setLabel("battery");
    EXPECT_EQ(node.localisedLabel(), "Cached");

    node.setLabel("adapter");
    EXPECT_EQ(node.label(), "adapter");
    EXPECT_EQ(node.localisedLabel(), "Adapter");
    EXPECT_EQ(*node.providerLabel(), "adapter");

    node.setLabel("untranslated");
    EXPECT_EQ(node.localisedLabel(), "untranslated");
}

TEST(QorvCSContent, DebugDictionaryNestsTheTree)
{
    ScopedStrings strings(R"("DebugNode.group" = "Localised Group";)");
    auto root = QorvCSContent::rootContent();
    auto group = makeNode<DebugNode>("g", "group", true);
    auto leaf = makeNode("leaf", "Leaf");
    leaf->setInclude(false);
    leaf->setCanInclude(false);
    group->setChildren(listOf({ leaf }));
    root->setChildren(listOf({ group, makeNode("other", "Other") }));

    const Value dump = root->debug();
    const auto& top = *dump.asDictionary();
    EXPECT_EQ(*top.at("class").asString(), "QorvCSContentRoot");
    const auto& children = *top.at("children").asArray();
    ASSERT_EQ(children.size(), 2u);

    const auto& g = *children[0].asDictionary();
    EXPECT_EQ(*g.at("class").asString(), "DebugNode");
    EXPECT_EQ(*g.at("group").asString(), "Yes");
    EXPECT_EQ(*g.at("localisedLabel").asString(), "Localised Group");
    EXPECT_EQ(*g.at("extra").asString(), "mine");
    ASSERT_TRUE(g.at("children").isArray()) << "the subclass's \"children\" is replaced by the real list";
    ASSERT_EQ(g.at("children").asArray()->size(), 1u);

    const Value::Dictionary expectedLeaf {
        { "class", "QorvCSContent" },
        { "uniqueID", "leaf" },
        { "include", "No" },
        { "canInclude", "No" },
        { "group", "No" },
        { "label", "Leaf" },
        { "localisedLabel", "Leaf" },
        { "children", Value::Array {} },
    };
    EXPECT_EQ((*g.at("children").asArray())[0], Value(expectedLeaf));
    EXPECT_EQ(*(*children[1].asDictionary()).at("class").asString(), "QorvCSContent");
}

TEST(QorvCSContent, PostDidChangeNotificationNamesTheRootAndTheNode)
{
    auto root = QorvCSContent::rootContent();
    auto group = makeNode("group", "Group", true);
    auto leaf = makeNode("leaf");
    group->setChildren(listOf({ leaf }));
    root->setChildren(listOf({ group }));

    NotificationLog onRoot(QorvCSContentNotificationDidUpdate, root.get());
    NotificationLog onGroup(QorvCSContentNotificationDidUpdate, group.get());
    leaf->postDidChangeNotification();
    ASSERT_EQ(onRoot.received.size(), 1u);
    EXPECT_TRUE(onGroup.received.empty()) << "the object is the topmost ancestor";
    EXPECT_EQ(
        onRoot.received[0].userInfoValue<std::shared_ptr<QorvCSContent>>(QorvCSContentNotificationKeyContent), leaf);

    // Setting a flag announces nothing by itself.
    leaf->setInclude(false);
    leaf->setLabel("changed");
    EXPECT_EQ(onRoot.received.size(), 1u);
}

TEST(QorvCSContent, DescriptionNamesClassIdentifierLabelAndChildren)
{
    auto group = makeNode("g", "Group", true);
    EXPECT_EQ(group->description(),
        qorv::format(
            "QorvCSContent (%p) <UID='g',Label='Group',Children=(null)>", static_cast<const void*>(group.get())));
    auto leaf = makeNode<TitledLeaf>("l", "Leaf");
    group->setChildren(listOf({ leaf }));
    EXPECT_NE(group->description().find("Children=(TitledLeaf ("), std::string::npos) << group->description();
}

TEST(QorvCSContent, OutlineColumnsReadByName)
{
    QorvCSContent node("id", "label");
    EXPECT_EQ(node.valueForKey("include"), Value(true));
    EXPECT_EQ(node.valueForKey("label"), Value("label"));
    EXPECT_EQ(node.valueForKey("localisedLabel"), Value("label"));
    EXPECT_TRUE(node.valueForKey("image").isNull());
    EXPECT_TRUE(node.valueForKey("").isNull());

    node.setValueForKey("include", Value(false));
    EXPECT_FALSE(node.include());
    node.setValueForKey("include", Value(1)); // a checkbox state carried as a number
    EXPECT_TRUE(node.include());
    node.setValueForKey("include", Value("no")); // not a number: left alone
    EXPECT_TRUE(node.include());
    node.setValueForKey("uniqueID", Value("other"));
    EXPECT_EQ(node.uniqueID(), "id");
}
