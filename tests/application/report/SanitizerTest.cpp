#include "QorvCSSanitizer.h"
#include "ReportTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using qorv::Value;

namespace {

// Two batteries and an adapter as the bridge describes them.
Value sources()
{
    return Value::Array {
        Value::Dictionary {
            { "Hardware Serial Number", "1432" }, { "Power Source ID", 1122224920 }, { "serial_number", "1432" } },
        Value::Dictionary { { "Hardware Serial Number", "SN-77" }, { "Power Source ID", 228177099 } },
        Value::Dictionary { { "SerialNumber", "0" }, { "Name", "Adapter" } }, // too short to mean anything
    };
}

} // namespace

TEST(Sanitizer, MasksEachValueConsistently)
{
    QorvCSSanitizer sanitizer;
    sanitizer.addName("Ada's ThinkPad", "[computer name]");
    sanitizer.addName("ada", "[user name]");
    sanitizer.addName("al", "[user name]"); // too short: would mask ordinary words
    sanitizer.learn(sources());
    const struct {
        std::string_view input;
        std::string_view expected;
    } cases[] = {
        { "1432", "[serial 1]" },
        { "Serial 1432, again 1432", "Serial [serial 1], again [serial 1]" },
        { "SN-77", "[serial 2]" },
        { "14321 and 21432 stay", "14321 and 21432 stay" }, // only whole values
        { "battery 1122224920", "battery [ID 1]" },
        { "Report for Ada's ThinkPad by ada", "Report for [computer name] by [user name]" },
        { "adapter Canada", "adapter Canada" },
        { "al 0", "al 0" },
        { "wlan a4:c3:f0:11:22:33, A4:C3:F0:11:22:33 and 8c:8c:aa:44:55:66",
            "wlan [address 1], [address 1] and [address 2]" },
        { "from 192.168.1.23 and fe80::1", "from [address 3] and [address 4]" },
        { "disk 0f4e8c1a-6d3b-4b8e-9a51-2c7d1e9f0a11", "disk [UUID 1]" },
        { "version 1.2.3.4.5 at 22:13:05", "version 1.2.3.4.5 at 22:13:05" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(sanitizer.text(c.input), c.expected) << c.input;

    // In a tree: strings and keys are masked, and a number that is a learnt identifier becomes its placeholder.
    const Value tree = sanitizer.value(sources());
    EXPECT_EQ(tree.at(0)->find("Hardware Serial Number")->description(), "[serial 1]");
    EXPECT_EQ(tree.at(0)->find("Power Source ID")->description(), "[ID 1]");
    EXPECT_EQ(tree.at(1)->find("Power Source ID")->description(), "[ID 2]");
    EXPECT_EQ(tree.at(2)->find("SerialNumber")->description(), "0");
    EXPECT_EQ(sanitizer.value(Value::Dictionary { { "1432", 1 } }).find("[serial 1]")->description(), "1");
}

TEST(Sanitizer, ItemsAreMaskedCopies)
{
    QorvCSSanitizer sanitizer;
    sanitizer.learn(sources());
    auto table = reporttest::tableWithRows({ { "Hardware Serial Number", "1432" }, { "Cycle Count", "1432" } });
    (*table->headingValuePairs())[1].value->setValue(1432);
    const QorvCSReportItemList items { QorvCSReportTitle::titleWithText("Battery SN-77"), table,
        QorvCSReportSubSectionEnd::item() };

    const QorvCSReportItemList masked = sanitizer.items(items);
    ASSERT_EQ(masked.size(), 3u);
    EXPECT_EQ(dynamic_cast<const QorvCSReportTitle&>(*masked[0]).title(), "Battery [serial 2]");
    const auto& rows = *dynamic_cast<const QorvCSReportTable&>(*masked[1]).headingValuePairs();
    EXPECT_EQ(rows[0].heading->title(), "Hardware Serial Number");
    EXPECT_EQ(rows[0].value->label(), "[serial 1]");
    EXPECT_EQ(rows[0].value->raw(), "[serial 1]");
    // A count that happens to equal a serial is masked too: better one number too many than a serial leaked.
    EXPECT_EQ(rows[1].value->label(), "[serial 1]");
    EXPECT_EQ(masked[2], items[2]);
    // The originals, which the window keeps showing, are untouched.
    EXPECT_EQ(dynamic_cast<const QorvCSReportTitle&>(*items[0]).title(), "Battery SN-77");
    EXPECT_EQ((*table->headingValuePairs())[0].value->label(), "1432");
}

TEST(Sanitizer, RootsNameIsNoOnesName)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only the root account is called root";
    QorvCSSanitizer sanitizer;
    sanitizer.addUserNames(QorvCSSanitizer::accountNames());
    EXPECT_EQ(sanitizer.text("/dev/mapper/vg-root on /"), "/dev/mapper/vg-root on /");
}
