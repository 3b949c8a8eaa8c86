#include "ReportTestSupport.h"

#include "foundation/Assert.h"
#include "foundation/Color.h"

#include <gtest/gtest.h>

#include <thread>

using reporttest::ResourceDirectory;

namespace {

// Each test sets the row colours it needs; none leaks into the next.
class HTMLReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources.writeMarkedTemplates();
        QorvCSHTMLReport::setAlternatingRowBackgroundColors({});
    }
    void TearDown() override { QorvCSHTMLReport::setAlternatingRowBackgroundColors({}); }

    static std::string render(bool forExport, const QorvCSReportItemList& items)
    {
        auto report = QorvCSHTMLReport::reportForExport(forExport);
        report->addItemsFromArray(items);
        return report->asHTML();
    }

    ResourceDirectory resources;
};

std::shared_ptr<QorvCSReportItem> title(const char* text)
{
    return QorvCSReportTitle::titleWithText(text);
}
std::shared_ptr<QorvCSReportItem> start()
{
    return QorvCSReportSubSectionStart::item();
}
std::shared_ptr<QorvCSReportItem> end()
{
    return QorvCSReportSubSectionEnd::item();
}

} // namespace

TEST_F(HTMLReport, EmptyReportIsTopEmptyAndBottom)
{
    const char* top = "<top c0=[[controlAlternatingRowBackgroundColor0]] c1=[[controlAlternatingRowBackgroundColor1]]>";
    EXPECT_EQ(render(false, {}), std::string(top) + "<empty><bottom>");
    // The export rendering's colours are the print colours, whatever the system's.
    EXPECT_EQ(render(true, {}),
        "<export-top c0=#ffffff><export-empty><export-bottom [[controlAlternatingRowBackgroundColor0]]>");
    EXPECT_EQ(render(false, { title("A") }), std::string(top) + "<h1>A</h1><bottom>");
}

TEST_F(HTMLReport, MissingTemplateKeysContributeNothing)
{
    resources.writePlist(
        "QorvCSHTMLReport.plist", qorv::Value(qorv::Value::Dictionary { { "bottom", "<b>" }, { "top", 42 } }));
    EXPECT_EQ(render(false, {}), "<b>");
    EXPECT_EQ(render(true, { title("A") }), "<h1>A</h1>");
}

TEST_F(HTMLReport, HeadingLevelsFollowSubsectionsAndAreClamped)
{
    struct Case {
        QorvCSReportItemList items;
        const char* markup;
    };
    const Case cases[] = {
        { { title("A"), start(), title("B"), end() }, "<h1>A</h1><div><h2>B</h2></div>" },
        { { start(), start(), start(), start(), start(), title("deep"), start(), title("deeper") },
            "<div><div><div><div><div><h6>deep</h6><div><h6>deeper</h6>" },
        { { end(), end(), title("A"), start(), title("B") }, "</div></div><h1>A</h1><div><h1>B</h1>" },
        { { start(), end(), title("A") }, "<div></div><h1>A</h1>" },
        { { QorvCSReportItem::item(), title("A") }, "<h1>A</h1>" },
    };
    for (const auto& c : cases) {
        auto report = QorvCSHTMLReport::reportForExport(false);
        report->addItemsFromArray(c.items);
        EXPECT_EQ(reporttest::body(*report), c.markup);
    }
}

TEST(HTMLReportEscaping, EscapesTheSixSpecialCharactersOnce)
{
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        { "a<b", "a&lt;b" },
        { "1/2", "1&#x2F;2" },
        { "&lt;", "&amp;lt;" },
        { "\"it's\" > 'that'", "&quot;it&#x27;s&quot; &gt; &#x27;that&#x27;" },
        { "A&B <C/>", "A&amp;B &lt;C&#x2F;&gt;" },
        { "", "" },
        { "Grüße ☃", "Grüße ☃" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(QorvCSHTMLReport::escapeString(c.text), c.escaped) << c.text;
}

TEST_F(HTMLReport, TitlesAreEscaped)
{
    auto report = QorvCSHTMLReport::reportForExport(false);
    report->addItem(title("<script>alert('x')</script>"));
    EXPECT_EQ(reporttest::body(*report), "<h1>&lt;script&gt;alert(&#x27;x&#x27;)&lt;&#x2F;script&gt;</h1>");
}

TEST(HTMLReportColor, HexadecimalValue)
{
    struct Case {
        qorv::Color color;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        { { 1, 1, 1 }, "#ffffff" },
        { { 0, 0, 0 }, "#000000" },
        { { 0.5, 0.5, 0.5 }, "#7f7f7f" },
        { { 1, 0, 0.25 }, "#ff003f" },
        { { 0.999, 0.004, 0 }, "#ff0100" },
        { { 0, 0, 0, false }, std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(qorv::hexadecimalValue(c.color), c.text);
}

TEST_F(HTMLReport, RowColoursFillTheTopTemplateOnly)
{
    QorvCSHTMLReport::setAlternatingRowBackgroundColors({ { 0, 0, 0 }, { 0.5, 0.5, 0.5 } });
    EXPECT_EQ(render(false, {}), "<top c0=#000000 c1=#7f7f7f><empty><bottom>");
    EXPECT_EQ(render(true, {}),
        "<export-top c0=#ffffff><export-empty><export-bottom [[controlAlternatingRowBackgroundColor0]]>");

    // With fewer than two colours the placeholders stay, and the top is still used.
    QorvCSHTMLReport::setAlternatingRowBackgroundColors({ { 1, 1, 1 } });
    EXPECT_EQ(render(false, {}).rfind("<top c0=[[controlAlternatingRowBackgroundColor0]]", 0), 0u);

    // A colour without an RGB form has no text.
    QorvCSHTMLReport::setAlternatingRowBackgroundColors({ { 0, 0, 0, false }, { 0, 0, 0 } });
    EXPECT_EQ(render(false, {}), "<top c0= c1=#000000><empty><bottom>");
}

TEST_F(HTMLReport, KindWithoutRenderingOperationFailsAndNamesTheOperation)
{
    struct Widget : QorvCSReportItem {
        std::string_view className() const override { return "QorvCSReportWidget"; }
    };
    struct Case {
        std::shared_ptr<QorvCSReportItem> item;
        const char* message;
    };
    const Case cases[] = {
        { QorvCSReportTableHeading::headingWithTitle("h"),
            "QorvCSHTMLReport does not respond to selector htmlForReportTableHeading:state:" },
        { QorvCSReportTableValue::valueWithLabel("v"),
            "QorvCSHTMLReport does not respond to selector htmlForReportTableValue:state:" },
        { std::make_shared<Widget>(), "QorvCSHTMLReport does not respond to selector htmlForReportWidget:state:" },
    };
    for (const auto& c : cases) {
        auto report = QorvCSHTMLReport::reportForExport(false);
        report->addItemsFromArray({ title("A"), c.item });
        try {
            report->asHTML();
            ADD_FAILURE() << "no assertion for " << c.item->className();
        } catch (const qorv::AssertionFailure& failure) {
            EXPECT_STREQ(failure.what(), c.message);
        }
    }
}

TEST(HTMLReportTemplates, MissingOrMalformedResourceFails)
{
    ResourceDirectory resources;
    auto report = QorvCSHTMLReport::reportForExport(false);
    try {
        report->asHTML();
        ADD_FAILURE() << "no assertion";
    } catch (const qorv::AssertionFailure& failure) {
        EXPECT_STREQ(failure.what(), "QorvCSHTMLReport missing HTML templates resource.");
    }
    for (const char* text : { "<plist><array><string>top</string></array></plist>", "not a property list" }) {
        resources.writeText("QorvCSHTMLReport.plist", text);
        try {
            report->asHTML();
            ADD_FAILURE() << "no assertion for " << text;
        } catch (const qorv::AssertionFailure& failure) {
            EXPECT_STREQ(failure.what(), "QorvCSHTMLReport malformed HTML templates resource.");
        }
    }
}

TEST(HTMLReportTemplates, AnEditedResourceTakesEffectAtTheNextRendering)
{
    ResourceDirectory resources;
    auto report = QorvCSHTMLReport::reportForExport(false);
    resources.writePlist("QorvCSHTMLReport.plist", qorv::Value(qorv::Value::Dictionary { { "empty", "one" } }));
    EXPECT_EQ(report->asHTML(), "one");
    // Same size, rewritten in place: only the file's identity tells the versions apart.
    resources.writePlist("QorvCSHTMLReport.plist", qorv::Value(qorv::Value::Dictionary { { "empty", "two" } }));
    EXPECT_EQ(report->asHTML(), "two");
    ResourceDirectory other;
    other.writePlist("QorvCSHTMLReport.plist", qorv::Value(qorv::Value::Dictionary { { "empty", "three" } }));
    EXPECT_EQ(report->asHTML(), "three");
}
