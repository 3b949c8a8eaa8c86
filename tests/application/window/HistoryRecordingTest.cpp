#include "QorvCSApplicationController.h"
#include "QorvCSHistory.h"
#include "QorvCSHistoryReading.h"
#include "QorvCSPowerSourceController.h"

#include <gtest/gtest.h>

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <filesystem>
#include <fstream>
#include <stdlib.h>

// The window's controller hands every set of sources its power source controller announces to the history's
// recorder, and stops when the power source controller is replaced. Readings from diagnostic files are not
// recorded.
TEST(QorvCSApplicationController, FeedsTheHistoryRecorderWithTheSources)
{
    std::string folder = (std::filesystem::temp_directory_path() / "cellsheet-window-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    auto history = QorvCSHistory::forRecording(folder + "/history.sqlite");
    ASSERT_NE(history->recorder(), nullptr);
    QorvCSHistory::setShared(history);

    const qorv::Value::Dictionary battery { { "Type", qorv::Value("InternalBattery") },
        { "Name", qorv::Value("InternalBattery-0") }, { "Hardware Serial Number", qorv::Value("4711") },
        { "Current Capacity", qorv::Value(int64_t(64)) }, { "Power Source State", qorv::Value("Battery Power") } };
    const std::string identity = QorvCSHistoryReading(battery).identity();
    auto power = std::make_shared<QorvCSPowerSourceController>();
    {
        QorvCSApplicationController controller;
        controller.setPowerSourceController(power);
        power->setSources(
            std::make_shared<const QorvCSPowerSourceController::Sources>(QorvCSPowerSourceController::Sources {
                QorvCSPowerSource::powerSourceWithRawSource(qorv::Value(battery)) }));
        history->recorder()->sampleNow();
        history->recorder()->flush();
        const auto samples = history->store()->samples(identity, 0, INT64_MAX);
        ASSERT_EQ(samples.size(), 1u);
        EXPECT_EQ(samples[0].percent, 64.0);
        EXPECT_EQ(samples[0].state, QorvCSHistoryState::Discharging);
    }
    EXPECT_EQ(power->observationCount(), 0u);

    auto example = battery;
    example["Hardware Serial Number"] = qorv::Value("9999");
    const auto saved = qorv::Bundle::main().resourceDirectories();
    qorv::Bundle::main().setResourceDirectories({ folder });
    std::ofstream(folder + "/QorvCSPowerSourceBridgePowerSources.plist")
        << qorv::PropertyList::toXML(qorv::Value(qorv::Value::Array { qorv::Value(example) }));
    {
        auto replayed = std::make_shared<QorvCSPowerSourceController>();
        ASSERT_EQ(replayed->sources()->size(), 1u);
        QorvCSApplicationController controller;
        controller.setPowerSourceController(replayed);
        history->recorder()->sampleNow();
        history->recorder()->flush();
        EXPECT_TRUE(history->store()->samples(QorvCSHistoryReading(example).identity(), 0, INT64_MAX).empty())
            << "a diagnostic file was recorded";
    }
    qorv::Bundle::main().setResourceDirectories(saved);
    QorvCSHistory::setShared(nullptr);
    history.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
