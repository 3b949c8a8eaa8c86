#include "PowerTestSupport.h"

#include "QorvCSPowerAdapter.h"
#include "QorvCSPowerSourceController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

using namespace power_test;
using qorv::Value;

namespace {

std::string localized(std::string_view key)
{
    return qorv::Bundle::main().localizedString(key);
}

} // namespace

TEST(PowerSourceModelTest, IdentityAndNameOfPowerSourcesAndAdapters)
{
    TestResources resources;
    const std::string unnamed = localized("QorvCSPowerSource.Name");
    ASSERT_NE(unnamed, "QorvCSPowerSource.Name") << "the application's table names a nameless source";
    const std::string adapterFormat = localized("QorvCSPowerSource.AdapterNameFormat");
    EXPECT_EQ(qorv::formatArgumentCount(adapterFormat), 1);

    struct Case {
        bool adapter;
        Value::Dictionary raw;
        Value uniqueID;
        std::string name;
    };
    const Case cases[] = {
        { false, { { "Power Source ID", 4390963 }, { "Name", "InternalBattery-0" } }, 4390963, "InternalBattery-0" },
        { false, { { "Type", "UPS" } }, unnamed, unnamed },
        { false, { { "Name", "UPS 1" }, { "SerialNumber", "S1" } }, "UPS 1", "UPS 1" },
        { true, { { "FamilyCode", "USB-C PD" }, { "SerialNumber", "C0FFEE" }, { "Name", "Ignored" } }, "C0FFEE",
            qorv::format(adapterFormat, "USB-C PD") },
        { true, { { "Name", "Ignored" }, { "Power Source ID", 7 } }, unnamed, unnamed },
    };
    for (const auto& c : cases) {
        auto source = c.adapter ? QorvCSPowerAdapter::powerSourceWithRawSource(Value(c.raw))
                                : QorvCSPowerSource::powerSourceWithRawSource(Value(c.raw));
        EXPECT_EQ(source->uniqueID(), c.uniqueID) << Value(c.raw).description();
        EXPECT_EQ(source->name(), c.name) << Value(c.raw).description();
        EXPECT_EQ(source->rawSource(), Value(c.raw));
    }
}

TEST(PowerSourceModelTest, MissingDescriptionIsAProgrammingError)
{
    for (auto make : { +[] { QorvCSPowerSource::powerSourceWithRawSource(Value()); },
             +[] { QorvCSPowerAdapter::powerSourceWithRawSource(Value()); } }) {
        try {
            make();
            ADD_FAILURE() << "no assertion";
        } catch (const qorv::AssertionFailure& e) {
            EXPECT_STREQ(e.what(), "Invalid parameter not satisfying: aRawSource");
        }
    }
}

namespace {

class PowerSourceControllerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FakePowerSupplies::available()) << "umockdev's preload library is not loaded"; }

    TestResources resources { 3600 };
    FakePowerSupplies fake;
};

// Records the keys the controller announces, in order.
struct KeyRecorder {
    explicit KeyRecorder(QorvCSPowerSourceController& controller)
        : m_controller(controller)
    {
        for (const char* key : { "sources", "powerAdapter" })
            controller.addObserver(
                this, key, [this](std::string_view k, const qorv::Observable*) { keys.emplace_back(k); });
    }
    ~KeyRecorder()
    {
        m_controller.removeObserver(this, "sources");
        m_controller.removeObserver(this, "powerAdapter");
    }
    std::vector<std::string> keys;

private:
    QorvCSPowerSourceController& m_controller;
};

} // namespace

TEST_F(PowerSourceControllerTest, EveryRefreshAnnouncesBothKeysWithNewObjects)
{
    fake.addSupply("BAT0", laptopBattery());
    fake.addSupply("AC", mainsAdapter());
    QorvCSPowerSourceController controller;
    ASSERT_EQ(controller.sources()->size(), 1u);
    ASSERT_TRUE(controller.powerAdapter());
    EXPECT_EQ(controller.powerAdapter()->className(), "QorvCSPowerAdapter");
    const auto before = controller.sources();
    KeyRecorder recorder(controller);

    controller.refresh();
    EXPECT_EQ(recorder.keys, (std::vector<std::string> { "sources", "powerAdapter" }));
    EXPECT_NE(controller.sources()->at(0), before->at(0));
    EXPECT_EQ(controller.sources()->at(0)->rawSource(), before->at(0)->rawSource());
}

TEST_F(PowerSourceControllerTest, RefreshesOnANoticeFromAnyBridge)
{
    QorvCSPowerSourceController controller;
    KeyRecorder recorder(controller);
    fake.addSupply("BAT0", laptopBattery());
    qorv::NotificationCenter::defaultCenter().post(
        std::string(QorvCSPowerSourceBridgeNotificationSourcesDidChange), nullptr);
    EXPECT_EQ(recorder.keys.size(), 2u);
    EXPECT_EQ(controller.sources()->size(), 1u);
}
