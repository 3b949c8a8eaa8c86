#include "QorvCSReportCupelController.h"
#include "ReportTestSupport.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <filesystem>

using qorv::Value;
using reporttest::record;
using reporttest::ResourceDirectory;

namespace {

// Writes `format` under `key` when the record's `subject` matches `regex` (and the filter holds).
Value rule(const char* subject, const char* regex, const char* key, const char* format, Value::Dictionary filter = {})
{
    Value::Dictionary fields {
        { "match", Value(Value::Dictionary { { "key", subject }, { "regex", regex } }) },
        { "replace", Value(Value::Dictionary { { "key", key }, { "format", format } }) },
    };
    if (!filter.empty())
        fields.emplace("filter", Value(std::move(filter)));
    return Value(std::move(fields));
}

Value::Dictionary row(const char* heading, const char* value)
{
    return record({ { "presentation heading", heading }, { "heading", heading }, { "presentation value", value },
        { "value", value }, { "provider", "InternalBattery-0" } });
}

Value shown(const Value::Dictionary& result)
{
    return result.at("presentation value");
}

// Both ways of loading: cached and compiled, or read and compiled at every use.
class CupelController : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { QorvCSReportCupelController::setCachesRules(GetParam()); }
    void TearDown() override { QorvCSReportCupelController::setCachesRules(true); }
    ResourceDirectory resources;
};

INSTANTIATE_TEST_SUITE_P(Loading, CupelController, ::testing::Values(true, false),
    [](const auto& param) { return param.param ? "Cached" : "Plain"; });

} // namespace

TEST_P(CupelController, WithoutRulesTheResultIsADistinctEqualCopy)
{
    const Value::Dictionary in = row("Cycle Count", "12");
    auto controller = QorvCSReportCupelController::cupelController();
    Value::Dictionary out = controller->transform(in);
    EXPECT_EQ(Value(out), Value(in));
    out["presentation value"] = "changed";
    EXPECT_EQ(in.at("presentation value"), Value("12"));
}

TEST_P(CupelController, FilesApplyInDescendingOrderOfName)
{
    resources.writeRule("10", rule("value", ".", "presentation value", "from 10"));
    resources.writeRule("20", rule("value", ".", "presentation value", "from 20"));
    resources.writeRule("B", rule("value", ".", "presentation value", "from B"));
    resources.writeRule("a", rule("value", ".", "presentation value", "from a"));
    // Applied a, B, 20, 10: the lowest name writes last and stands.
    auto controller = QorvCSReportCupelController::cupelController();
    EXPECT_EQ(shown(controller->transform(row("x", "1"))), Value("from 10"));
    ASSERT_EQ(controller->cupels().size(), 4u);
    EXPECT_EQ(controller->cupels().front()->fields().find("replace")->find("format")->description(), "from a");
    EXPECT_EQ(controller->cupels().back()->fields().find("replace")->find("format")->description(), "from 10");

    std::filesystem::remove(resources.path() + "/QorvCSReportCupel/10.plist");
    EXPECT_EQ(shown(controller->transform(row("x", "1"))), Value("from 10")) << "a rule set is loaded once";
    EXPECT_EQ(shown(QorvCSReportCupelController::cupelController()->transform(row("x", "1"))), Value("from 20"));
}

TEST_P(CupelController, RulesChainThroughWorkingEntriesOfOneRowOnly)
{
    resources.writeRule("9-kind", rule("heading", "^Time to", "kind", "minutes"));
    resources.writeRule(
        "5-minutes", rule("value", "^(\\d+)$", "presentation value", "n min", { { "kind", "minutes" } }));
    resources.writeRule("4-rewrite-value", rule("value", "^7$", "value", "8"));
    resources.writeRule("3-sees-rewritten", rule("value", "^8$", "more", "was 7"));
    auto controller = QorvCSReportCupelController::cupelController();

    const auto first = controller->transform(row("Time to Empty", "7"));
    EXPECT_EQ(first.at("kind"), Value("minutes"));
    EXPECT_EQ(shown(first), Value("n min"));
    EXPECT_EQ(first.at("more"), Value("was 7"));
    EXPECT_EQ(first.at("value"), Value("8"));

    const auto second = controller->transform(row("Cycle Count", "42"));
    EXPECT_EQ(second.count("kind"), 0u);
    EXPECT_EQ(shown(second), Value("42"));
}

TEST_P(CupelController, TheCallersRecordIsNotChanged)
{
    resources.writeRule("a", rule("value", ".", "value", "changed"));
    resources.writeRule("b",
        Value(Value::Dictionary { { "match", Value(Value::Dictionary { { "key", "value" }, { "regex", "." } }) },
            { "acronym", Value(Value::Dictionary { { "find", "x" }, { "text", "y" } }) } }));
    const Value::Dictionary in
        = record({ { "value", "1" }, { "acronym", Value(Value::Dictionary { { "acronym", "old" } }) } });
    const Value::Dictionary copy = in;
    const auto out = QorvCSReportCupelController::cupelController()->transform(in);
    EXPECT_EQ(Value(in), Value(copy));
    EXPECT_EQ(out.at("value"), Value("changed"));
    EXPECT_EQ(out.at("acronym").find("acronym")->description(), "x");
}

TEST_P(CupelController, TheFolderIsTakenWholeFromTheFirstDirectoryThatHasIt)
{
    ResourceDirectory later;
    later.writeRule("z", rule("value", ".", "presentation value", "from the later directory"));
    later.writeRule("y", rule("value", ".", "more", "from the later directory"));
    ResourceDirectory first({ later.path() });
    first.writeRule("a", rule("value", ".", "presentation value", "from the first directory"));
    first.writeText("QorvCSReportCupel/notes.txt", "not a rule");
    first.writeRule("folder.plist/inner", rule("value", ".", "more", "a folder is not a rule"));
    const auto out = QorvCSReportCupelController::cupelController()->transform(row("x", "1"));
    EXPECT_EQ(shown(out), Value("from the first directory"));
    EXPECT_EQ(out.count("more"), 0u);
}

TEST_P(CupelController, AnUnreadableRuleFileFailsAndIsNamed)
{
    resources.writeRule("good", rule("value", ".", "more", "fine"));
    for (const char* text : { "not a property list", "<plist><array/></plist>" }) {
        resources.writeText("QorvCSReportCupel/broken.plist", text);
        qorv::LogCapture log;
        auto controller = QorvCSReportCupelController::cupelController();
        try {
            controller->transform(row("x", "1"));
            ADD_FAILURE() << "no assertion for " << text;
        } catch (const qorv::AssertionFailure& failure) {
            EXPECT_STREQ(failure.what(), "Invalid parameter not satisfying: someFields");
        }
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(
            log.lines()[0].find(resources.path() + "/QorvCSReportCupel/broken.plist cannot be read"), std::string::npos)
            << log.lines()[0];
    }
}

TEST_P(CupelController, AnEditedRuleFileTakesEffectAtTheNextLoad)
{
    resources.writeRule("rule", rule("value", ".", "presentation value", "one"));
    EXPECT_EQ(shown(QorvCSReportCupelController::cupelController()->transform(row("x", "1"))), Value("one"));
    // The same size and, within the clock's resolution, the same modification time.
    resources.writeRule("rule", rule("value", ".", "presentation value", "two"));
    EXPECT_EQ(shown(QorvCSReportCupelController::cupelController()->transform(row("x", "1"))), Value("two"));
    resources.writeText("QorvCSReportCupel/rule.plist", "broken");
    EXPECT_THROW(QorvCSReportCupelController::cupelController()->transform(row("x", "1")), qorv::AssertionFailure);
    resources.writeRule("rule", rule("value", ".", "presentation value", "three"));
    EXPECT_EQ(shown(QorvCSReportCupelController::cupelController()->transform(row("x", "1"))), Value("three"));
}

TEST_P(CupelController, SetCupelsReplacesTheList)
{
    resources.writeRule("file", rule("value", ".", "presentation value", "from the file"));
    auto controller = QorvCSReportCupelController::cupelController();
    controller->setCupels({ QorvCSReportCupel::cupelWithFields(rule("value", ".", "presentation value", "set")) });
    EXPECT_EQ(shown(controller->transform(row("x", "1"))), Value("set"));
    controller->setCupels({});
    EXPECT_EQ(shown(controller->transform(row("x", "1"))), Value("1"));
}
