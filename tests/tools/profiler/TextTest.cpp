#include "Text.h"
#include "Anonymizer.h"
#include "Units.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace cellsheet::profiler;

TEST(ProfilerText, CleanMakesOneValidLine)
{
    const struct {
        std::string_view input;
        std::string_view expected;
    } cases[] = {
        { "  plain  ", "plain" },
        { "Think\xffPad", "Think\xEF\xBF\xBDPad" }, // a stray byte becomes U+FFFD
        { "tab\there\nnext\x01line", "tab here next line" },
        { "a   b", "a b" },
        { "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC" }, // valid UTF-8 stays
        { "\xC3", "\xEF\xBF\xBD" }, // cut short
        { "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD" }, // overlong
        { "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" }, // surrogate
        { "\xC2\x85x", "\xEF\xBF\xBD\xEF\xBF\xBDx" }, // C1 control
        { "\x7F", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text::clean(c.input), c.expected) << c.input;
}

TEST(ProfilerText, PlaceholdersAreRecognised)
{
    for (std::string_view text : { "To be filled by O.E.M.", "Default string", " System Product Name ", "0000000000",
             "FFFFFFFF", "", "Not Specified", "System Serial Number" })
        EXPECT_TRUE(Text::isPlaceholder(text)) << text;
    for (std::string_view text : { "ThinkPad X1 Carbon", "20XW0055GE", "1.0", "LENOVO" })
        EXPECT_FALSE(Text::isPlaceholder(text)) << text;
}

TEST(ProfilerText, ParsesNumbersStrictly)
{
    EXPECT_EQ(Text::parseUnsigned(" 42\n"), 42u);
    EXPECT_EQ(Text::parseUnsigned("0x8086", 16), 0x8086u);
    EXPECT_EQ(Text::parseUnsigned("80000000", 16), 0x80000000u);
    EXPECT_FALSE(Text::parseUnsigned("42 kB"));
    EXPECT_FALSE(Text::parseUnsigned(""));
    EXPECT_FALSE(Text::parseUnsigned("-1"));
    EXPECT_FALSE(Text::parseUnsigned("99999999999999999999999"));
    EXPECT_EQ(Text::parseInteger("-1"), -1);
    EXPECT_FALSE(Text::parseInteger("abc"));
}

TEST(ProfilerText, KeyValuesStripQuotesAndComments)
{
    const auto values = Text::keyValues("# comment\nPRETTY_NAME=\"Debian GNU/Linux 12\"\nID=debian\nBROKEN\n=x\n");
    EXPECT_EQ(values.size(), 2u);
    EXPECT_EQ(values.at("PRETTY_NAME"), "Debian GNU/Linux 12");
    EXPECT_EQ(values.at("ID"), "debian");
}

TEST(ProfilerText, NaturalOrderSortsNumbersByValue)
{
    std::vector<std::string> names { "card10", "card2", "sdb", "sda", "card1", "usb10", "usb9", "nvme0n1p10",
        "nvme0n1p2" };
    std::sort(names.begin(), names.end(), Text::naturalLess);
    EXPECT_EQ(names,
        (std::vector<std::string> {
            "card1", "card2", "card10", "nvme0n1p2", "nvme0n1p10", "sda", "sdb", "usb9", "usb10" }));
    EXPECT_FALSE(Text::naturalLess("a1", "a01") && Text::naturalLess("a01", "a1")); // a strict order
}

TEST(ProfilerUnits, ReadableQuantities)
{
    EXPECT_EQ(Units::decimalBytes(512), "512 bytes");
    EXPECT_EQ(Units::decimalBytes(500107862016), "500.11 GB");
    EXPECT_EQ(Units::decimalBytes(209715200), "209.72 MB");
    EXPECT_EQ(Units::decimalBytes(999999999), "1 GB"); // rounding reaches the next unit
    EXPECT_EQ(Units::decimalBytes(2000000000000), "2 TB");
    EXPECT_EQ(Units::binaryBytes(16ull << 30), "16 GiB");
    EXPECT_EQ(Units::binaryBytes(1280 * 1024), "1.25 MiB");
    EXPECT_EQ(Units::binaryBytes(48 * 1024), "48 KiB");
    EXPECT_EQ(Units::frequency(2800000), "2.80 GHz");
    EXPECT_EQ(Units::frequency(400000), "400 MHz");
    EXPECT_EQ(Units::dataRate(2500), "2.5 Gb/s");
    EXPECT_EQ(Units::dataRate(100), "100 Mb/s");
    EXPECT_EQ(Units::duration(42), "42 seconds");
    EXPECT_EQ(Units::duration(61), "1 minute");
    EXPECT_EQ(Units::duration(3600), "1 hour, 0 minutes");
    EXPECT_EQ(Units::duration(273845), "3 days, 4 hours, 4 minutes");
    EXPECT_EQ(Units::percent(89.6), "90%");
}

TEST(ProfilerAnonymizer, RewritesIdentifyingPartsAndLeavesLookAlikes)
{
    const Anonymizer anonymizer({ "x1carbon", "Ada's ThinkPad" });
    const struct {
        std::string_view input;
        std::string_view expected;
    } cases[] = {
        { "enx0c3796aabbcc", "USB Ethernet" },
        { "wlx0c3796aabbcc, Up", "USB Wi-Fi, Up" },
        { "hid-dc:2c:26:aa:bb:cc-battery", "Bluetooth Device Battery" },
        { "Mouse DC-2C-26-AA-BB-CC", "Mouse [address]" },
        { "/media/ada/USB STICK", "USB STICK" },
        { "/run/media/ada/BACKUP", "BACKUP" },
        { "/media/ada", "/media" },
        { "/home/ada/.cache", "~/.cache" },
        { "/dev/mapper/x1carbon--vg-root", "/dev/mapper/vg-root" },
        { "/dev/mapper/fedora_x1carbon-root", "/dev/mapper/fedora-root" },
        { "/dev/mapper/luks-0f4e8c1a-6d3b-4b8e-9a51-2c7d1e9f0a11", "/dev/mapper/luks" },
        { "luks-0f4e8c1a-6d3b-4b8e-9a51-2c7d1e9f0a11", "luks" },
        { "id 0F4E8C1A-6D3B-4B8E-9A51-2C7D1E9F0A11", "id [UUID]" },
        { "192.168.1.23/24, 10.0.0.5", "[address]/24, [address]" },
        { "fe80::a6c3:f0ff:fe11:2233 2001:db8:0:0:0:0:0:1", "[address] [address]" },
        { "x1carbon", "[host name]" },
        { "Ada's ThinkPad", "[host name]" },
        // Look-alikes that identify nothing stay as they are.
        { "0000:00:1f.6", "0000:00:1f.6" },
        { "version 1.2.3.4.5, 300.1.1.1, 22:13:05", "version 1.2.3.4.5, 300.1.1.1, 22:13:05" },
        { "x1carbon-dock", "x1carbon-dock" },
        { "/mnt/media/ada/x", "/mnt/media/ada/x" },
        { "enx0c3796aabbccdd", "enx0c3796aabbccdd" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(anonymizer.text(c.input), c.expected) << c.input;

    // Keys are rewritten too, and two that rewrite alike both stay.
    const qorv::Value rewritten = anonymizer.value(qorv::Value::Dictionary {
        { "enx0c3796aabbcc", "Up" }, { "enx0c3796aabbcd", "Down" }, { "n", qorv::Value::Array { "10.0.0.5" } } });
    EXPECT_EQ(rewritten.find("USB Ethernet")->description(), "Up");
    EXPECT_EQ(rewritten.find("USB Ethernet (2)")->description(), "Down");
    EXPECT_EQ(rewritten.find("n")->asArray()->at(0).description(), "[address]");
}
