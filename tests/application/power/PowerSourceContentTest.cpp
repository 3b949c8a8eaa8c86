#include "AssertionMessage.h"
#include "PowerTestSupport.h"

#include "QorvCSContentController.h"
#include "QorvCSContentPowerAdapterGroup.h"
#include "QorvCSContentPowerSource.h"
#include "QorvCSContentPowerSourceGroup.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSHTMLReportState.h"
#include "QorvCSPowerAdapter.h"

#include "foundation/Assert.h"

using namespace power_test;
using qorv::Value;

namespace {

std::shared_ptr<QorvCSContentPowerSource> nodeFor(Value::Dictionary raw)
{
    return QorvCSContentPowerSource::contentWithPowerSource(
        QorvCSPowerSource::powerSourceWithRawSource(Value(std::move(raw))));
}

QorvCSReportItemList itemsOf(QorvCSContent& node)
{
    QorvCSReport report(false);
    return node.itemsForReport(report);
}

std::shared_ptr<QorvCSReportTable> tableOf(const QorvCSReportItemList& items)
{
    return items.size() == 2 ? std::dynamic_pointer_cast<QorvCSReportTable>(items[1]) : nullptr;
}

// The table rows as (heading raw, value text) pairs.
std::vector<std::pair<std::string, std::string>> rowsOf(const QorvCSReportTable& table)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& pair : *table.headingValuePairs())
        rows.emplace_back(pair.heading->raw().value_or("?"), pair.value->label());
    return rows;
}

} // namespace

// State, charge, health and time first; other keys in byte order; the program's identifiers last.
TEST(PowerSourceContentTest, TableRowsInReadingOrderWithTheirTextForms)
{
    TestResources resources;
    auto node = nodeFor(
        { { "b", "lower" }, { "a b", "space" }, { "B", "upper" }, { "Cycle Count", 42 }, { "Is Charging", true },
            { "Temperature", 29.5 }, { "Cells", Value::array({ 1, 2 }) }, { "Date", Value(Value::Date { 0 }) },
            { "Power Source ID", 7 }, { "Name", "InternalBattery-0" }, { "BatteryHealth", "Good" },
            { "Time to Empty", 90 }, { "Power Source State", "AC Power" }, { "capacity_level", "Low" } });
    auto items = itemsOf(*node);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<QorvCSReportTitle>(items[0])->title(), node->localisedLabel());
    auto table = tableOf(items);
    ASSERT_TRUE(table);
    EXPECT_EQ(rowsOf(*table),
        (std::vector<std::pair<std::string, std::string>> { { "Power Source State", "AC Power" },
            { "Is Charging", "1" }, { "capacity_level", "Low" }, { "Time to Empty", "90" }, { "BatteryHealth", "Good" },
            { "Cycle Count", "42" }, { "Temperature", "29.5" }, { "B", "upper" }, { "a b", "space" }, { "b", "lower" },
            { "Name", "InternalBattery-0" }, { "Power Source ID", "7" } }));
    const auto& cycles = table->headingValuePairs()->at(5);
    EXPECT_EQ(cycles.value->raw(), "42");
    EXPECT_EQ(cycles.heading->provider(), node->label());
    EXPECT_EQ(cycles.value->provider(), node->label());
}

// A file without a text reads as words; a stored file holding a key and the attribute file it took over shows
// two headings, not one twice.
TEST(PowerSourceContentTest, HeadingsAreWordsAndNeverRepeat)
{
    TestResources resources;
    resources.writeFile("en.lproj/Localizable.strings",
        "\"QorvCSContentPowerSource.Temperature\" = \"Temperature\";\n"
        "\"QorvCSContentPowerSource.temp\" = \"Temperature\";\n");
    auto table = tableOf(itemsOf(
        *nodeFor({ { "Temperature", 31 }, { "temp", "312" }, { "charge_term_current", "1" }, { "Odd_Key", "2" } })));
    ASSERT_TRUE(table);
    std::vector<std::string> titles;
    for (const auto& pair : *table->headingValuePairs())
        titles.push_back(pair.heading->title());
    EXPECT_EQ(
        titles, (std::vector<std::string> { "Temperature", "Odd_Key", "Charge term current", "Temperature (temp)" }));
}

TEST(PowerSourceContentTest, HeadingsAreLocalisedButKeepTheirRawKey)
{
    TestResources resources;
    resources.writeFile("en.lproj/Localizable.strings",
        "\"QorvCSContentPowerSource.Current Capacity\" = \"Charge\";\n\"Voltage\" = \"Tension\";\n"
        "\"QorvCSContentPowerSource.SummaryFormat\" = \"Readings of %@\";\n\"Charge\" = \"Not a value\";\n");
    auto table
        = tableOf(itemsOf(*nodeFor({ { "Current Capacity", "Charge" }, { "Voltage", 12000 }, { "Name", "B" } })));
    ASSERT_TRUE(table);
    const auto& pairs = *table->headingValuePairs();
    EXPECT_EQ(pairs[0].heading->title(), "Charge");
    EXPECT_EQ(pairs[0].heading->raw(), "Current Capacity");
    EXPECT_EQ(pairs[0].value->label(), "Charge") << "values are never localised";
    EXPECT_EQ(pairs[1].heading->title(), "Tension");
    EXPECT_EQ(table->summary(), "Readings of B");
    EXPECT_EQ(table->caption(), "QorvCSContentPowerSource.CaptionFormat") << "an untranslated format is the key";
}

TEST(PowerSourceContentTest, EmptyDescriptionGivesNothingAndContainersGiveNoRows)
{
    TestResources resources;
    EXPECT_TRUE(itemsOf(*nodeFor({})).empty());
    auto items = itemsOf(*nodeFor({ { "Cells", Value::array({ 1 }) } }));
    ASSERT_TRUE(tableOf(items));
    EXPECT_TRUE(tableOf(items)->headingValuePairs()->empty());
}

// What the computer runs on, as the shipped rules say it: a UPS on battery means the mains has failed, not that a
// laptop was unplugged.
TEST(PowerSourceContentTest, RunningOnSaysWhoseBatteryCarriesTheComputer)
{
    TestResources resources;
    struct Case {
        const char* type;
        const char* state;
        const char* english;
        const char* german;
    };
    const Case cases[] = {
        { "InternalBattery", "Battery Power", "Battery Power (not plugged in)", "Akkubetrieb (nicht angeschlossen)" },
        { "InternalBattery", "AC Power", "AC</acronym> Power (plugged in)", "Netzbetrieb (angeschlossen)" },
        { "Accessory Source", "Battery Power", "Battery Power (not plugged in)", "Akkubetrieb (nicht angeschlossen)" },
        { "UPS", "AC Power", "AC</acronym> Power (plugged in)", "Netzbetrieb (angeschlossen)" },
        { "UPS", "Battery Power", "UPS</acronym> Battery Power (the mains supply has failed)",
            "USV-Akkubetrieb (das Stromnetz ist ausgefallen)" },
    };
    for (const auto& c : cases) {
        for (const std::string language : { "en", "de" }) {
            qorv::Bundle::main().setLanguages({ language, "en" });
            auto table = tableOf(itemsOf(*nodeFor({ { "Type", c.type }, { "Power Source State", c.state } })));
            ASSERT_TRUE(table);
            QorvCSHTMLReportState state;
            const std::string html = QorvCSHTMLReport::reportForExport(false)->htmlForReportTable(*table, state);
            const size_t cell = html.find("<td>") + 4;
            const std::string running = html.substr(cell, html.find("</td>", cell) - cell);
            const std::string expected = language == "en" ? c.english : c.german;
            EXPECT_TRUE(running.ends_with(expected))
                << c.type << ", " << c.state << " in " << language << ": " << running;
        }
    }
    qorv::Bundle::main().setLanguages({ "en" });
}

TEST(PowerSourceContentTest, NodeImagesDebugValuesAndAssertions)
{
    TestResources resources;
    auto node = nodeFor({ { "Power Source ID", 9 }, { "Name", "InternalBattery-0" } });
    EXPECT_EQ(node->uniqueID(), "9");
    EXPECT_EQ(node->label(), "InternalBattery-0");
    EXPECT_TRUE(node->image().path.ends_with("/power-source.svg"));
    auto debug = node->debug();
    EXPECT_EQ(*debug.find("class"), Value("QorvCSContentPowerSource"));
    EXPECT_EQ(*debug.find("powerSource"), node->powerSource()->rawSource());

    EXPECT_EQ(assertionMessage([] { QorvCSContentPowerSource::contentWithPowerSource(nullptr); }),
        "Invalid parameter not satisfying: aPowerSource");
    EXPECT_EQ(
        assertionMessage([] { QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(nullptr); }),
        "Invalid parameter not satisfying: aPowerSourceController");
    EXPECT_EQ(assertionMessage([] { QorvCSContentPowerAdapterGroup::contentWithUniqueID("a", "b"); }),
        "QorvCSContentPowerAdapterGroup does not suport initWith...");
    EXPECT_EQ(assertionMessage([] { QorvCSContentPowerSourceGroup::contentWithUniqueID("a", "b"); }),
        "QorvCSContentPowerSourceGroup does not suport initWith...");

    resources.writeFile("power-source.svg", "not an image");
    EXPECT_EQ(assertionMessage([] { nodeFor({})->image(); }), "QorvCSContentPowerSource malformed image resource.");
    qorv::Bundle::main().setResourceDirectories({ resources.directory() + "/nowhere" });
    EXPECT_EQ(assertionMessage([] { nodeFor({})->image(); }), "QorvCSContentPowerSource missing image resource.");
}

namespace {

// The sidebar's part of the tree: a root with the two power groups, wired to a content controller that renders
// the report each time the tree announces a change, as the window does.
class PowerContentTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FakePowerSupplies::available()) << "umockdev's preload library is not loaded";
        qorv::NotificationCenter::defaultCenter().addObserver(
            this, [this](const qorv::Notification&) { render(); },
            std::string(QorvCSContentControllerNotificationDidUpdate));
    }
    void TearDown() override { qorv::NotificationCenter::defaultCenter().removeObserver(this); }

    void makeTree()
    {
        powerSourceController = std::make_shared<QorvCSPowerSourceController>();
        sourcesGroup = QorvCSContentPowerSourceGroup::powerSourceGroupWithPowerSourceController(powerSourceController);
        adapterGroup
            = QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(powerSourceController);
        auto root = QorvCSContent::rootContent();
        root->setChildren(
            std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { sourcesGroup, adapterGroup }));
        contentController.setRoot(root);
    }

    void render()
    {
        auto report = QorvCSHTMLReport::reportForExport(false);
        report->addItemsFromArray(contentController.itemsForReport(*report));
        html = report->asHTML();
        ++renders;
    }

    std::shared_ptr<QorvCSContent> child(QorvCSContent& group, size_t index) { return group.childAtIndex(long(index)); }
    // A node's section title as the report writes it.
    static std::string titleOf(QorvCSContent& node)
    {
        return ">" + QorvCSHTMLReport::escapeString(node.localisedLabel()) + "<";
    }

    TestResources resources { 0.05 };
    FakePowerSupplies fake;
    QorvCSContentController contentController;
    std::shared_ptr<QorvCSPowerSourceController> powerSourceController;
    std::shared_ptr<QorvCSContentPowerSourceGroup> sourcesGroup;
    std::shared_ptr<QorvCSContentPowerAdapterGroup> adapterGroup;
    std::string html;
    int renders = 0;
};

} // namespace

TEST_F(PowerContentTreeTest, PlaceholdersWithoutHardware)
{
    makeTree();
    for (QorvCSContent* group :
        { static_cast<QorvCSContent*>(sourcesGroup.get()), static_cast<QorvCSContent*>(adapterGroup.get()) }) {
        ASSERT_EQ(group->numberOfChildren(), 1u);
        auto placeholder = child(*group, 0);
        const std::string key = std::string(group->className()) + ".searching.label";
        EXPECT_EQ(placeholder->uniqueID(), key);
        EXPECT_EQ(placeholder->label(), qorv::Bundle::main().localizedString(key));
        EXPECT_NE(placeholder->label(), key) << "the application's table has a text for it";
        EXPECT_FALSE(placeholder->include());
        EXPECT_FALSE(placeholder->canInclude());
        EXPECT_TRUE(group->isGroup());
    }
    QorvCSReport report(false);
    EXPECT_TRUE(contentController.itemsForReport(report).empty());

    resources.writeFile("en.lproj/Localizable.strings", "\"Other\" = \"x\";\n");
    auto bare = QorvCSContentPowerAdapterGroup::powerAdapterGroupWithPowerSourceController(powerSourceController);
    EXPECT_EQ(child(*bare, 0)->label(), "QorvCSContentPowerAdapterGroup.searching.label");
}

TEST_F(PowerContentTreeTest, PolledCapacityChangeReRendersOnceWithTheNewValue)
{
    const std::string battery = fake.addSupply("BAT0", laptopBattery());
    makeTree();
    ASSERT_EQ(sourcesGroup->numberOfChildren(), 1u);
    auto node = child(*sourcesGroup, 0);
    EXPECT_EQ(node->uniqueID(), "powerSource");

    fake.setAttribute(battery, "capacity", "37");
    ASSERT_TRUE(runMainLoopUntil([&] { return renders > 0; }));
    runMainLoopFor(300ms);
    // One bridge notice refreshes both groups, and each group announces its change once.
    EXPECT_EQ(renders, 2);
    EXPECT_EQ(child(*sourcesGroup, 0), node) << "the single battery keeps its node";
    auto table = tableOf(itemsOf(*node));
    ASSERT_TRUE(table);
    const auto rows = rowsOf(*table);
    EXPECT_NE(
        std::find(rows.begin(), rows.end(), std::pair<std::string, std::string>("Current Capacity", "37")), rows.end());
    EXPECT_NE(html.find("37"), std::string::npos);
}

TEST_F(PowerContentTreeTest, SingleBatteryKeepsItsIncludeChoice)
{
    const std::string battery = fake.addSupply("BAT0", laptopBattery());
    makeTree();
    child(*sourcesGroup, 0)->setInclude(false);
    fake.setAttribute(battery, "status", "Charging");
    fake.uevent(battery, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return renders > 0; }));
    EXPECT_FALSE(child(*sourcesGroup, 0)->include());
    EXPECT_FALSE(html.empty());
    EXPECT_EQ(html.find(titleOf(*child(*sourcesGroup, 0))), std::string::npos) << "left out of the report";
}

TEST_F(PowerContentTreeTest, TwoBatteriesKeepSeparateNodesAndIncludeChoices)
{
    const std::string first = fake.addSupply("BAT0", laptopBattery());
    const std::string second = fake.addSupply("BAT1", laptopBattery());
    makeTree();
    ASSERT_EQ(sourcesGroup->numberOfChildren(), 2u);
    auto node0 = std::dynamic_pointer_cast<QorvCSContentPowerSource>(child(*sourcesGroup, 0));
    auto node1 = std::dynamic_pointer_cast<QorvCSContentPowerSource>(child(*sourcesGroup, 1));
    EXPECT_NE(node0->uniqueID(), node1->uniqueID());
    EXPECT_EQ(node0->label(), "InternalBattery-0");
    EXPECT_EQ(node1->label(), "InternalBattery-1");
    node1->setInclude(false);

    fake.setAttribute(first, "capacity", "50");
    fake.uevent(first, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return renders > 0; }));
    EXPECT_EQ(child(*sourcesGroup, 0), node0);
    EXPECT_EQ(child(*sourcesGroup, 1), node1);
    EXPECT_TRUE(node0->include());
    EXPECT_FALSE(node1->include());
    EXPECT_EQ(*node0->powerSource()->rawSource().find("Current Capacity"), Value(50));
    EXPECT_NE(html.find(titleOf(*node0)), std::string::npos);
    EXPECT_EQ(html.find(titleOf(*node1)), std::string::npos);

    // The first battery taken out: the second keeps its node and choice, now as the only source.
    fake.remove(first);
    fake.uevent(second, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return sourcesGroup->numberOfChildren() == 1; }));
    EXPECT_EQ(child(*sourcesGroup, 0), node1);
    EXPECT_FALSE(node1->include());
    EXPECT_EQ(node1->uniqueID(), "powerSource");
}

TEST_F(PowerContentTreeTest, UnpluggingShowsThePlaceholderAndPluggingInMakesANewNode)
{
    const std::string adapter = fake.addSupply("AC", mainsAdapter());
    makeTree();
    auto plugged = child(*adapterGroup, 0);
    EXPECT_EQ(plugged->uniqueID(), "powerAdaptor");
    EXPECT_TRUE(plugged->image().path.ends_with("/power-adapter.svg"));
    EXPECT_EQ(plugged->label(),
        qorv::format(qorv::Bundle::main().localizedString("QorvCSPowerSource.AdapterNameFormat"), "Mains"));

    fake.setAttribute(adapter, "online", "0");
    fake.uevent(adapter, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return child(*adapterGroup, 0) != plugged; }));
    EXPECT_EQ(child(*adapterGroup, 0), adapterGroup->searchingContent());
    EXPECT_EQ(plugged->parent(), nullptr);

    fake.setAttribute(adapter, "online", "1");
    fake.uevent(adapter, "change");
    ASSERT_TRUE(runMainLoopUntil([&] { return child(*adapterGroup, 0) != adapterGroup->searchingContent(); }));
    auto replugged = child(*adapterGroup, 0);
    EXPECT_NE(replugged, plugged);
    EXPECT_TRUE(replugged->image().path.ends_with("/power-adapter.svg"));
}

// The only UPS, or the adapter, swapped for a different device: the node and its choice stay, the name follows.
TEST_F(PowerContentTreeTest, ReplacedDeviceKeepsItsNodeAndTakesTheNewName)
{
    const std::string usb = fake.addUSBDevice("1-1");
    const std::string oldUPS = fake.addSupply("ups0", { { "type", "UPS" }, { "model_name", "Back-UPS ES 700" } }, usb);
    const std::string mains = fake.addSupply("AC", mainsAdapter());
    makeTree();
    auto ups = child(*sourcesGroup, 0);
    auto adapter = child(*adapterGroup, 0);
    EXPECT_EQ(ups->label(), "Back-UPS ES 700");
    ups->setInclude(false);

    fake.remove(oldUPS);
    const std::string newUPS = fake.addSupply("ups1", { { "type", "UPS" }, { "model_name", "Eaton 5E 850i" } }, usb);
    fake.setAttribute(mains, "online", "0");
    fake.addSupply("ucsi-source-psy-USBC000:001", usbPDAdapter());
    fake.uevent(newUPS, "add");
    ASSERT_TRUE(runMainLoopUntil([&] { return ups->label() != "Back-UPS ES 700"; }));
    EXPECT_EQ(child(*sourcesGroup, 0), ups);
    EXPECT_EQ(ups->label(), "Eaton 5E 850i");
    EXPECT_FALSE(ups->include());
    EXPECT_EQ(child(*adapterGroup, 0), adapter);
    EXPECT_EQ(adapter->label(),
        qorv::format(qorv::Bundle::main().localizedString("QorvCSPowerSource.AdapterNameFormat"), "USB-C PD"));
}
