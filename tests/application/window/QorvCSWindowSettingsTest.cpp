#include "QorvCSWindowSettings.h"
#include "QorvCSPrintInfo.h"
#include "QorvCSUPSServerAddress.h"

#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <map>
#include <variant>

namespace {

// Settings in memory, holding texts and lists as a file would: an empty list comes back as neither.
class MemoryStore : public QorvCSSettingsStore {
public:
    using Entry = std::variant<std::string, std::vector<std::string>, std::monostate>;
    std::string location() const override { return "memory"; }
    bool isReadable() const override { return readable; }
    std::vector<std::string> keys() const override
    {
        std::vector<std::string> out;
        for (const auto& [key, value] : entries)
            out.push_back(key);
        return out;
    }
    std::optional<std::string> string(std::string_view key) const override
    {
        const auto it = entries.find(std::string(key));
        if (it == entries.end() || !std::holds_alternative<std::string>(it->second))
            return std::nullopt;
        return std::get<std::string>(it->second);
    }
    std::optional<std::vector<std::string>> strings(std::string_view key) const override
    {
        const auto it = entries.find(std::string(key));
        if (it == entries.end() || !std::holds_alternative<std::vector<std::string>>(it->second))
            return std::nullopt;
        return std::get<std::vector<std::string>>(it->second);
    }
    void setString(std::string_view key, const std::string& value) override { entries[std::string(key)] = value; }
    void setStrings(std::string_view key, const std::vector<std::string>& values) override
    {
        if (values.empty())
            entries[std::string(key)] = std::monostate();
        else
            entries[std::string(key)] = values;
    }
    void remove(std::string_view key) override { entries.erase(std::string(key)); }

    std::map<std::string, Entry> entries;
    bool readable = true;
};

QorvCSRememberedWindow everything()
{
    QorvCSRememberedWindow window;
    window.geometry = "AdnQywADAAA=";
    window.state = "AAAA/wAAAAD9";
    window.sidebarWidth = 310;
    window.unticked = { "powerSource-12345", "SPUSBDataType" };
    window.pageSetup = qorv::Value::Dictionary {
        { std::string(QorvCSPrintPaperWidth), 612.0 },
        { std::string(QorvCSPrintPaperHeight), 792.0 },
        { std::string(QorvCSPrintImageableX), 18.0 },
        { std::string(QorvCSPrintImageableY), 40.0 },
        { std::string(QorvCSPrintImageableWidth), 612.0 - 18 - 30 },
        { std::string(QorvCSPrintImageableHeight), 792.0 - 40 - 50.5 },
        { std::string(QorvCSPrintOrientation), std::string("landscape") },
    };
    window.saveFolder = "/home/ada/Reports";
    window.upsServers = std::vector<std::string> { "localhost:3493", "ups.lan", "[::1]:3500" };
    return window;
}

} // namespace

TEST(WindowSettings, RoundTripKeepsEverythingAndAnEmptyStoreRemembersNothing)
{
    MemoryStore store;
    qorv::LogCapture log;
    EXPECT_EQ(QorvCSWindowSettings(store).load(), QorvCSRememberedWindow {});
    QorvCSWindowSettings(store).save(everything());
    EXPECT_EQ(QorvCSWindowSettings(store).load(), everything());

    // Forgetting is remembered too.
    QorvCSWindowSettings(store).save({});
    EXPECT_EQ(QorvCSWindowSettings(store).load(), QorvCSRememberedWindow {});
    EXPECT_TRUE(log.lines().empty());
}

TEST(WindowSettings, ValuesThatMakeNoSenseAreIgnoredWithOneLine)
{
    struct Case {
        std::string key;
        MemoryStore::Entry value;
    };
    const std::vector<Case> cases {
        { "window/geometry", std::string("not base64!") },
        { "window/geometry", std::vector<std::string> { "a", "b" } },
        { "window/state", std::string("QUJD=A==") },
        { "window/sidebarWidth", std::string("wide") },
        { "window/sidebarWidth", std::string("12") },
        { "window/sidebarWidth", std::string("300.5") },
        { "window/sidebarWidth", std::string("1e9") },
        { "export/folder", std::string("relative/folder") },
        { "export/folder", std::string("") },
        { "pageSetup/paperWidth", std::string("-612") },
        { "pageSetup/paperHeight", std::string("nan") },
        { "pageSetup/orientation", std::string("sideways") },
        { "pageSetup/left", std::string("600") }, // with the right border: wider than the paper
        { "pageSetup/top", std::string("-1") },
        { "power/upsServers", std::vector<std::string> { "ups.lan", "ups lan" } },
        { "power/upsServers", std::vector<std::string> { "ups.lan:99999" } },
        { "power/upsServers", std::vector<std::string>(QorvCSUPSServerAddress::maximumServers + 1, "ups.lan") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        MemoryStore store;
        QorvCSWindowSettings(store).save(everything());
        store.entries[c.key] = c.value;
        qorv::LogCapture log;
        const QorvCSRememberedWindow loaded = QorvCSWindowSettings(store).load();
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("make no sense"), std::string::npos) << log.lines()[0];
        // Only the bad value is lost.
        QorvCSRememberedWindow expected = everything();
        if (c.key == "window/geometry")
            expected.geometry.reset();
        else if (c.key == "window/state")
            expected.state.reset();
        else if (c.key == "window/sidebarWidth")
            expected.sidebarWidth.reset();
        else if (c.key == "export/folder")
            expected.saveFolder.reset();
        else if (c.key == "power/upsServers")
            expected.upsServers.reset();
        else
            expected.pageSetup.reset();
        EXPECT_EQ(loaded, expected);
    }
}

TEST(WindowSettings, AnUnreadableOrForeignStoreIsIgnoredWhole)
{
    struct Case {
        const char* name;
        bool readable;
        std::map<std::string, MemoryStore::Entry> entries;
        const char* logged;
    };
    const std::vector<Case> cases {
        { "garbage", false, {}, "could not be read" },
        { "another program's", true,
            { { "General/theme", std::string("dark") }, { "window/sidebarWidth", std::string("300") } },
            "not written by this version" },
        { "a later version's", true, { { "version", std::string("7") }, { "window/sidebarWidth", std::string("300") } },
            "not written by this version" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStore store;
        store.readable = c.readable;
        store.entries = c.entries;
        qorv::LogCapture log;
        EXPECT_EQ(QorvCSWindowSettings(store).load(), QorvCSRememberedWindow {});
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find(c.logged), std::string::npos) << log.lines()[0];
    }
}

TEST(WindowSettings, UntickedIdentifiersAreBoundedAndEmptyOnesDropped)
{
    MemoryStore store;
    QorvCSWindowSettings(store).save({});
    std::vector<std::string> ids { "" };
    for (size_t i = 0; i < QorvCSWindowSettings::maximumUnticked + 50; ++i)
        ids.push_back("id" + std::to_string(i));
    store.entries["sidebar/unticked"] = ids;
    const auto loaded = QorvCSWindowSettings(store).load();
    EXPECT_EQ(loaded.unticked.size(), QorvCSWindowSettings::maximumUnticked);
    EXPECT_FALSE(loaded.unticked.count(""));
}

TEST(WindowSettings, NoUPSServerIsAChoiceOfItsOwn)
{
    MemoryStore store;
    QorvCSRememberedWindow none;
    none.upsServers.emplace();
    QorvCSWindowSettings(store).save(none);
    EXPECT_EQ(QorvCSWindowSettings(store).load(), none);
    QorvCSWindowSettings(store).save({});
    EXPECT_FALSE(QorvCSWindowSettings(store).load().upsServers) << "unchosen: the bundle's list holds";
}

TEST(UPSServerAddress, WhatAPersonMayType)
{
    using Problem = QorvCSUPSServerAddress::Problem;
    const std::vector<std::pair<std::string, Problem>> cases {
        { "localhost", Problem::none },
        { "localhost:3493", Problem::none },
        { "ups-1.example.org.", Problem::none },
        { "10.0.0.2:1", Problem::none },
        { "[::1]", Problem::none },
        { "[fe80::1]:65535", Problem::none },
        { "", Problem::empty },
        { " localhost", Problem::badHost },
        { "ups lan", Problem::badHost },
        { "-ups.lan", Problem::badHost },
        { "ups..lan", Problem::badHost },
        { "http://ups.lan", Problem::badHost },
        { "fe80::1", Problem::badPort }, // bare IPv6: its groups read as ports
        { "[::1", Problem::badHost },
        { "[ups.lan]", Problem::badHost },
        { "[::1]3493", Problem::badHost },
        { ":3493", Problem::badHost },
        { std::string(254, 'a'), Problem::badHost },
        { "ups\xc3\xa9.lan", Problem::badHost },
        { std::string("ups\0lan", 7), Problem::badHost },
        { "ups.lan:", Problem::badPort },
        { "ups.lan:0", Problem::badPort },
        { "ups.lan:65536", Problem::badPort },
        { "ups.lan:-1", Problem::badPort },
        { "ups.lan:34x", Problem::badPort },
        { "[::1]:", Problem::badPort },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(QorvCSUPSServerAddress::check(text), expected) << text;
}
