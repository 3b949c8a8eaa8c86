#include "FeedbackServer.h"
#include "QorvCSApplicationController.h"
#include "QorvCSSystemProfilerController.h"
#include "QorvFeedbackController.h"
#include "QtRunLoopBinding.h"
#include "ScopedEnvironment.h"
#include "cellsheetAppDelegate.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <QCheckBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// A feedback report captured by the test form endpoint, from a fake machine whose power sources, inventory and
// name carry planted serials, addresses and names, with one battery unticked in the sidebar.

namespace {

qorv::Value::Dictionary battery(const std::string& serial, const std::string& model, long long id)
{
    return {
        { "Name", "InternalBattery-" + std::to_string(id % 2) },
        { "Type", "InternalBattery" },
        { "Transport Type", "Internal" },
        { "Power Source ID", id },
        { "Power Source State", "Battery Power" },
        { "Is Present", true },
        { "Current Capacity", 61 },
        { "Max Capacity", 100 },
        { "Hardware Serial Number", serial },
        { "model_name", model },
    };
}

// Planted in the inventory, as a tool without the "mini" promise would write them.
const char* const inventory = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array>
<dict><key>_dataType</key><string>SPNetworkDataType</string>
<key>_items</key><array><dict><key>_name</key><string>Ethernet</string>
<key>MAC Address</key><string>0c:37:96:aa:bb:cc</string>
<key>IPv4 Addresses</key><string>192.168.17.42</string>
<key>Volume UUID</key><string>3f2a9c1e-1b2c-4d5e-8f90-0123456789ab</string>
<key>Host</key><string>ada-thinkpad</string>
<key>Mount Point</key><string>/media/ada/USB STICK</string>
<key>Owner</key><string>Ada Lovelace</string></dict></array>
<key>_properties</key><dict><key>MAC Address</key><dict><key>_order</key><string>1</string></dict>
<key>IPv4 Addresses</key><dict><key>_order</key><string>2</string></dict>
<key>Volume UUID</key><dict><key>_order</key><string>3</string></dict>
<key>Host</key><dict><key>_order</key><string>4</string></dict>
<key>Mount Point</key><dict><key>_order</key><string>5</string></dict>
<key>Owner</key><dict><key>_order</key><string>6</string></dict></dict></dict>
</array></plist>
)";

const std::vector<std::string> planted {
    "PLANTED4711", // the ticked battery's serial
    "dc:2c:26:aa:bb:cc", // a Bluetooth address inside a name
    "0c:37:96:aa:bb:cc", "192.168.17.42", "3f2a9c1e-1b2c-4d5e-8f90-0123456789ab",
    "ada-thinkpad", // the computer's name
    "/media/ada/", // the user's login in a mount point
    "Ada Lovelace", // and their full name
};
const std::vector<std::string> unticked { "UNTICKED0815", "UntickedModel" };

void untick(const std::shared_ptr<QorvCSContent>& node, const std::string& marker, int& found)
{
    const auto& children = node->children();
    if (!children || children->empty()) {
        if (qorv::PropertyList::toXML(node->debug()).find(marker) != std::string::npos) {
            node->setInclude(false);
            ++found;
        }
        return;
    }
    for (const auto& child : *children)
        untick(child, marker, found);
}

} // namespace

TEST(cellsheetAppDelegateFeedback, TheUploadHoldsNoPlantedValueAndNoUntickedSection)
{
    FeedbackServer server;
    ASSERT_GT(server.port, 0);
    QTemporaryDir resources;
    ASSERT_TRUE(resources.isValid());
    const std::string dir = resources.path().toStdString();
    ASSERT_EQ(qorv::PropertyList::writeXMLFile(dir + "/Info.plist",
                  qorv::Value(qorv::Value::Dictionary {
                      { "CFBundleIdentifier", "org.cellsheet.feedback-capture" },
                      { "CFBundleVersion", "1" },
                      { "QorvFeedbackControllerURL", "http://127.0.0.1:" + std::to_string(server.port) + "/" },
                  })),
        "");
    ASSERT_EQ(qorv::PropertyList::writeXMLFile(dir + "/QorvCSPowerSourceBridgePowerSources.plist",
                  qorv::Value(qorv::Value::Array { battery("PLANTED4711", "hid-dc:2c:26:aa:bb:cc-battery", 1426874342),
                      battery("UNTICKED0815", "UntickedModel", 1426874343) })),
        "");
    std::ofstream(dir + "/inventory.xml") << inventory;
    std::ofstream(dir + "/tool.sh") << "#!/bin/sh\nexec cat '" << dir << "/inventory.xml'\n";
    std::filesystem::permissions(dir + "/tool.sh", std::filesystem::perms::owner_all);
    ScopedEnvironment tool(QorvCSSystemProfilerControllerExecutableVariable, (dir + "/tool.sh").c_str());
    const auto saved = qorv::Bundle::main().resourceDirectories();
    qorv::Bundle::main().setResourceDirectories({ dir, CELLSHEET_BUILD_RESOURCES });

    {
        QtRunLoopBinding binding(qorv::RunLoop::main());
        QorvCSApplicationController controller;
        controller.setComputerNameSource([] { return "ada-thinkpad"; });
        controller.setUserNamesSource([] { return std::vector<std::string> { "ada", "Ada Lovelace" }; });
        const auto root = controller.contentController()->root();
        ASSERT_TRUE(waitFor(
            [&] { return qorv::PropertyList::toXML(root->debug()).find("0c:37:96:aa:bb:cc") != std::string::npos; },
            20000))
            << "the inventory never arrived";
        int found = 0;
        untick(root, "UNTICKED0815", found);
        ASSERT_EQ(found, 1);

        cellsheetAppDelegate delegate;
        delegate.setApplicationController(&controller);
        const auto send = [&](bool hide) {
            delegate.feedback();
            QCheckBox* checkBox = delegate.feedbackController()->sanitizeCheckBox();
            EXPECT_TRUE(checkBox->isChecked()); // each showing starts hiding them
            checkBox->setChecked(hide);
            delegate.feedbackController()->report();
            EXPECT_TRUE(waitFor([&] { return !delegate.feedbackController()->isShowing(); }));
            return server.fields();
        };

        // What the user typed is theirs to send; the attachments are checked.
        const auto hidden = send(true);
        for (const auto& name : { "file-report-html", "file-debug-plist" }) {
            SCOPED_TRACE(name);
            ASSERT_EQ(hidden.count(name), 1u);
            const std::string& content = hidden.at(name);
            for (const auto& value : planted)
                EXPECT_EQ(content.find(value), std::string::npos) << value;
            for (const auto& value : unticked)
                EXPECT_EQ(content.find(value), std::string::npos) << value;
        }
        EXPECT_NE(hidden.at("file-debug-plist").find("[serial 1]"), std::string::npos);

        // Unticked, the serial is sent: the check above is not passing by accident. The section stays out.
        const auto shown = send(false);
        for (const auto& name : { "file-report-html", "file-debug-plist" }) {
            EXPECT_NE(shown.at(name).find("PLANTED4711"), std::string::npos) << name;
            for (const auto& value : unticked)
                EXPECT_EQ(shown.at(name).find(value), std::string::npos) << value;
        }
        EXPECT_FALSE(controller.isPaused());
    }
    qorv::Bundle::main().setResourceDirectories(saved);
}
