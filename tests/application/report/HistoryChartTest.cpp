#include "QorvCSHistoryChartRenderer.h"
#include "QorvCSHistoryCharts.h"
#include "QorvCSJSONReport.h"
#include "ReportTestSupport.h"
#include "ScopedEnvironment.h"

#include "application/history/QorvCSHistoryReading.h"
#include "foundation/Bundle.h"

#include <gtest/gtest.h>

#include <expat.h>

#include <filesystem>
#include <map>
#include <stdlib.h>

using qorv::Value;
using reporttest::ResourceDirectory;

namespace {

constexpr int64_t hour = 3600, day = 24 * hour;
// Friday 2027-01-15 08:00 UTC.
constexpr int64_t now = 1'800'000'000 - 1'800'000'000 % hour;

// Times are labelled in local time: the tests pin the zone.
class UTC {
public:
    UTC()
        : m_tz("TZ", "UTC")
    {
        ::tzset();
    }
    ~UTC() { ::tzset(); }

private:
    ScopedEnvironment m_tz;
};

// The elements of a parsed document: name, attributes and the text directly inside.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::string attribute(const std::string& key) const
    {
        auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }
};

// Parses the figure as XML: it must be well formed, as inline SVG in any HTML page is.
std::vector<Element> parse(const std::string& markup)
{
    std::vector<Element> elements;
    std::vector<size_t> open;
    struct Context {
        std::vector<Element>* elements;
        std::vector<size_t>* open;
    } context { &elements, &open };
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &context);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto* c = static_cast<Context*>(data);
            Element e { name, {}, {} };
            for (int i = 0; attributes[i]; i += 2)
                e.attributes[attributes[i]] = attributes[i + 1];
            c->open->push_back(c->elements->size());
            c->elements->push_back(std::move(e));
        },
        [](void* data, const XML_Char*) { static_cast<Context*>(data)->open->pop_back(); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
        auto* c = static_cast<Context*>(data);
        if (!c->open->empty())
            (*c->elements)[c->open->back()].text.append(text, static_cast<size_t>(length));
    });
    const bool ok = XML_Parse(parser, markup.data(), static_cast<int>(markup.size()), 1) == XML_STATUS_OK;
    EXPECT_TRUE(ok) << XML_ErrorString(XML_GetErrorCode(parser)) << " at byte " << XML_GetCurrentByteIndex(parser);
    XML_ParserFree(parser);
    return elements;
}

std::vector<Element> withClass(const std::vector<Element>& elements, const std::string& name, const std::string& cls)
{
    std::vector<Element> found;
    for (const auto& e : elements)
        if (e.name == name && e.attribute("class") == cls)
            found.push_back(e);
    return found;
}

// Samples a minute apart over [from, to) in one state, charge falling or rising by 0.1 % a minute.
void addSamples(std::vector<QorvCSHistorySample>& samples, int64_t from, int64_t to, QorvCSHistoryState state)
{
    for (int64_t t = from; t < to; t += 60) {
        const double percent
            = state == QorvCSHistoryState::Charging ? 20 + (t - from) / 600.0 : 90 - (t - from) / 600.0;
        samples.push_back({ t, percent, state == QorvCSHistoryState::Charging ? 30.0 : 8.0, state });
    }
}

QorvCSHistoryChart activityChart(std::vector<QorvCSHistorySample> samples)
{
    QorvCSHistoryChart chart;
    chart.title = "Charge and rate, last 24 hours";
    chart.summary = "Charge between 20 % and 90 %";
    chart.from = now - day;
    chart.to = now;
    chart.labels = { "Charge (%)", "Rate (W)", "Charging", "Discharging" };
    chart.samples = std::make_shared<const std::vector<QorvCSHistorySample>>(std::move(samples));
    return chart;
}

// The elements inside the group of that class (the chart's groups are not nested).
std::vector<Element> inGroup(const std::vector<Element>& elements, const std::string& cls)
{
    std::vector<Element> found;
    bool inside = false;
    for (const auto& e : elements) {
        if (e.name == "g")
            inside = e.attribute("class") == cls;
        else if (inside)
            found.push_back(e);
    }
    return found;
}

size_t moves(const std::string& path)
{
    return static_cast<size_t>(std::count(path.begin(), path.end(), 'M'));
}

} // namespace

TEST(HistoryChart, ActivityChartHasAxesOneBrokenPathPerSeriesBandsAndATextAlternative)
{
    UTC utc;
    std::vector<QorvCSHistorySample> samples;
    // Discharging for six hours, then asleep for two, then charging to the end.
    addSamples(samples, now - 10 * hour, now - 4 * hour, QorvCSHistoryState::Discharging);
    addSamples(samples, now - 2 * hour, now, QorvCSHistoryState::Charging);
    const QorvCSHistoryChartRenderer renderer(QorvCSReportPalette {}, false);
    const auto elements = parse(renderer.html(activityChart(samples), "history-7"));

    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].name, "figure");
    const auto svg = std::find_if(elements.begin(), elements.end(), [](const Element& e) { return e.name == "svg"; });
    ASSERT_NE(svg, elements.end());
    EXPECT_EQ(svg->attribute("role"), "img");
    EXPECT_EQ(svg->attribute("aria-labelledby"), "history-7-title");
    EXPECT_EQ(svg->attribute("aria-describedby"), "history-7-desc");
    std::map<std::string, std::string> texts;
    for (const auto& e : elements)
        if (!e.attribute("id").empty())
            texts[e.attribute("id")] = e.name + ":" + e.text;
    EXPECT_EQ(texts["history-7-title"], "title:Charge and rate, last 24 hours");
    EXPECT_EQ(texts["history-7-desc"], "desc:Charge between 20 % and 90 %");
    EXPECT_EQ(elements.back().name, "figcaption");
    EXPECT_EQ(elements.back().text, "Charge and rate, last 24 hours: Charge between 20 % and 90 %");

    // The axes: two lines and a tick per time label, the labels every four hours of the day in local time.
    std::vector<std::string> timeLabels;
    for (const auto& e : withClass(elements, "text", "time"))
        timeLabels.push_back(e.text);
    EXPECT_EQ(timeLabels, (std::vector<std::string> { "08:00", "12:00", "16:00", "20:00", "00:00", "04:00" }));
    const auto axes = inGroup(elements, "axes");
    EXPECT_EQ(std::count_if(axes.begin(), axes.end(), [](const Element& e) { return e.name == "line"; }),
        2 + timeLabels.size());

    // One path per series, each broken once where the machine slept.
    const auto charge = withClass(elements, "path", "charge"), rate = withClass(elements, "path", "rate");
    ASSERT_EQ(charge.size(), 1u);
    ASSERT_EQ(rate.size(), 1u);
    EXPECT_EQ(moves(charge[0].attribute("d")), 2u);
    EXPECT_EQ(moves(rate[0].attribute("d")), 2u);
    const auto bands = inGroup(elements, "bands");
    EXPECT_EQ(withClass(bands, "rect", "band-discharging").size(), 1u);
    EXPECT_EQ(withClass(bands, "rect", "band-charging").size(), 1u);
}

TEST(HistoryChart, GapsFollowTheThinningOfOlderSamples)
{
    struct Case {
        int64_t age; // of the first sample
        int64_t step; // between samples
        size_t pieces;
    } cases[] = {
        { hour, 60, 1 }, // full resolution
        { hour, 20 * 60, 4 }, // twenty minutes without a sample in the last two days: asleep
        { 3 * day, 10 * 60, 1 }, // thinned to ten minutes
        { 3 * day, 40 * 60, 4 }, { 20 * day, 3600, 1 }, // thinned to an hour
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.age + c.step);
        std::vector<QorvCSHistorySample> samples;
        for (int i = 0; i < 4; ++i)
            samples.push_back({ now - c.age + i * c.step, 50.0, 5.0, QorvCSHistoryState::Discharging });
        auto chart = activityChart(samples);
        chart.from = now - 30 * day;
        const auto elements = parse(QorvCSHistoryChartRenderer(QorvCSReportPalette {}, false).html(chart, "h"));
        EXPECT_EQ(moves(withClass(elements, "path", "charge").at(0).attribute("d")), c.pieces);
    }
}

TEST(HistoryChart, AChartIsDrawnAgainWhenAnythingItShowsChanged)
{
    std::vector<QorvCSHistorySample> samples;
    addSamples(samples, now - 2 * hour, now, QorvCSHistoryState::Discharging);
    const QorvCSHistoryChartRenderer renderer(QorvCSReportPalette {}, false);
    std::string drawn;
    {
        UTC utc;
        drawn = renderer.html(activityChart(samples), "h");
        auto changed = samples;
        changed.back().percent = 12.0;
        EXPECT_TRUE(renderer.html(activityChart(changed), "h") != drawn) << "one sample";
        EXPECT_TRUE(renderer.html(activityChart(samples), "g") != drawn) << "the ids";
    }
    {
        ScopedEnvironment india("TZ", "IST-5:30");
        ::tzset();
        EXPECT_TRUE(renderer.html(activityChart(samples), "h") != drawn) << "the time labels' zone";
    }
    ::tzset();
}

TEST(HistoryChart, PrintIsBlackOnWhiteAndTheScreenFollowsThePalette)
{
    std::vector<QorvCSHistorySample> samples;
    addSamples(samples, now - 2 * hour, now, QorvCSHistoryState::Discharging);
    QorvCSReportPalette dark;
    dark.base = { 0.1, 0.1, 0.1 };
    dark.alternateBase = { 0.15, 0.15, 0.15 };
    dark.text = { 0.9, 0.9, 0.9 };
    dark.link = { 0.4, 0.7, 1 };
    const std::string screen = QorvCSHistoryChartRenderer(dark, false).html(activityChart(samples), "h");
    const std::string print
        = QorvCSHistoryChartRenderer(QorvCSReportPalette::printPalette(), true).html(activityChart(samples), "h");
    EXPECT_NE(screen.find("fill:#e6e6e6"), std::string::npos) << "text in the palette's text colour";
    EXPECT_NE(screen.find("stroke:#66b3ff"), std::string::npos) << "charge in the palette's link colour";
    // Print: only black and grey, and the rate told apart by its dashes rather than a colour.
    for (size_t at = print.find('#'); at != std::string::npos; at = print.find('#', at + 1))
        EXPECT_TRUE(print.compare(at, 7, "#000000") == 0 || print.compare(at, 7, "#999999") == 0)
            << print.substr(at, 7);
    EXPECT_NE(print.find("stroke-dasharray"), std::string::npos);
    EXPECT_EQ(screen.find("stroke-dasharray"), std::string::npos);
}

TEST(HistoryChart, WearChartShowsFullOverDesignWithCycleCounts)
{
    UTC utc;
    QorvCSHistoryChart chart;
    chart.kind = QorvCSHistoryChart::Kind::Wear;
    chart.title = "Full capacity as % of design";
    chart.summary = "Lost 4 % of design capacity since March; 62 cycles";
    chart.from = now - 300 * day;
    chart.to = now;
    chart.labels = { "Full capacity (% of design)", "cycles" };
    chart.months = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    chart.capacities = std::make_shared<const std::vector<QorvCSHistoryCapacity>>(std::vector<QorvCSHistoryCapacity> {
        { now - 300 * day, 5000.0, 5000.0, 3 }, { now - 100 * day, 4900.0, 5000.0, std::nullopt },
        { now - day, 4800.0, 5000.0, 62 }, { now, std::nullopt, 5000.0, 63 } });
    const auto elements = parse(QorvCSHistoryChartRenderer(QorvCSReportPalette {}, false).html(chart, "w"));
    const auto wear = withClass(elements, "path", "wear");
    ASSERT_EQ(wear.size(), 1u);
    EXPECT_EQ(moves(wear[0].attribute("d")), 1u);
    EXPECT_EQ(withClass(elements, "circle", "point").size(), 3u) << "a row without its full capacity is left out";
    std::vector<std::string> texts;
    for (const auto& e : elements)
        if (e.name == "text" && e.text.find("cycles") != std::string::npos)
            texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string> { "3 cycles", "62 cycles" }));
    std::vector<std::string> timeLabels;
    for (const auto& e : withClass(elements, "text", "time"))
        timeLabels.push_back(e.text);
    ASSERT_FALSE(timeLabels.empty());
    EXPECT_EQ(timeLabels.front(), "Apr 2026");
    EXPECT_EQ(timeLabels.back(), "Jan 2027");
}

TEST(HistoryCharts, SummariesSayWhatTheChartsShow)
{
    UTC utc;
    ResourceDirectory resources({ CELLSHEET_SOURCE_RESOURCES });
    std::vector<QorvCSHistorySample> samples;
    addSamples(samples, now - 60 * 60, now - 30 * 60, QorvCSHistoryState::Discharging);
    addSamples(samples, now - 30 * 60, now, QorvCSHistoryState::Charging);
    samples.push_back({ now, std::nullopt, std::nullopt, QorvCSHistoryState::Unknown });
    EXPECT_EQ(QorvCSHistoryCharts::activitySummary(samples),
        "Charge between 20 % and 90 %; 8 W on average while discharging; 30 W on average while charging");
    EXPECT_EQ(QorvCSHistoryCharts::activitySummary({}), "No samples were recorded in this period");

    const int64_t march = now - 300 * day; // in March 2026
    const std::vector<QorvCSHistoryCapacity> worn { { march, 4900.0, 5000.0, 10 }, { now, 4700.0, 5000.0, 62 } };
    EXPECT_EQ(QorvCSHistoryCharts::wearSummary(worn, now), "Lost 4 % of design capacity since March 2026; 62 cycles");
    EXPECT_EQ(QorvCSHistoryCharts::wearSummary(worn, march + 100 * day),
        "Lost 4 % of design capacity since March; 62 cycles");
    const std::vector<QorvCSHistoryCapacity> kept { { march, 5100.0, 5000.0, std::nullopt } };
    EXPECT_EQ(QorvCSHistoryCharts::wearSummary(kept, march), "Full capacity at 102 % of design since March");

    // German: its words, month names and decimal comma.
    qorv::Bundle::main().setLanguages({ "de", "en" });
    const std::vector<QorvCSHistorySample> slow { { now - 60, 41.0, 6.5, QorvCSHistoryState::Discharging },
        { now, 40.0, 6.5, QorvCSHistoryState::Discharging } };
    const std::string germanActivity = QorvCSHistoryCharts::activitySummary(slow);
    const std::string germanWear = QorvCSHistoryCharts::wearSummary(worn, now);
    qorv::Bundle::main().setLanguages({ "en" });
    EXPECT_EQ(germanActivity, "Ladestand zwischen 40 % und 41 %; durchschnittlich 6,5 W beim Entladen");
    EXPECT_EQ(germanWear, "4 % der Nennkapazität verloren seit März 2026; 62 Ladezyklen");
}

TEST(HistoryCharts, ReportItemsFollowTheStoreAndTheShownDays)
{
    UTC utc;
    ResourceDirectory resources({ CELLSHEET_SOURCE_RESOURCES });
    resources.writeMarkedTemplates();
    const Value::Dictionary battery { { "Type", Value("InternalBattery") }, { "Name", Value("InternalBattery-0") },
        { "Hardware Serial Number", Value("4711") }, { "model_name", Value("01AV489") } };
    const std::string identity = QorvCSHistoryReading(battery).identity();
    auto store = std::make_shared<QorvCSHistoryStore>(
        resources.path() + "/history.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
    QorvCSHistory history(store, nullptr);
    EXPECT_TRUE(QorvCSHistoryCharts::itemsForSource(history, battery, now).empty()) << "nothing recorded yet";

    QorvCSHistoryStore::Batch batch;
    for (int64_t t = now - 5 * day; t < now; t += 600)
        batch.samples.push_back({ identity, { t, 50.0, 6.0, QorvCSHistoryState::Discharging } });
    batch.capacities.push_back({ identity, { now - 40 * day, 5000.0, 5000.0, 1 } });
    batch.capacities.push_back({ identity, { now - day, 4800.0, 5000.0, 30 } });
    ASSERT_TRUE(store->write(batch));

    struct Case {
        std::optional<int64_t> days;
        std::vector<std::string> titles;
        size_t capacities;
    } cases[] = {
        { std::nullopt,
            { "Charge and rate, last 24 hours", "Charge and rate, last 7 days", "Full capacity as % of design" }, 2 },
        { 3, { "Charge and rate, last 24 hours", "Charge and rate, last 3 days", "Full capacity as % of design" }, 1 },
        { 1, { "Charge and rate, last 24 hours", "Full capacity as % of design" }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days.value_or(0));
        history.setShownDays(c.days);
        const auto items = QorvCSHistoryCharts::itemsForSource(history, battery, now);
        std::vector<std::string> titles;
        size_t capacities = 0;
        for (const auto& item : items) {
            const auto& chart = dynamic_cast<const QorvCSReportHistoryChart&>(*item).chart();
            titles.push_back(chart.title);
            if (chart.kind == QorvCSHistoryChart::Kind::Wear)
                capacities = chart.capacities->size();
            else
                EXPECT_EQ(chart.samples->front().time, std::max(chart.from, now - 5 * day));
        }
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(capacities, c.capacities);
    }

    // Rendered as a kind of its own, by the HTML report and the JSON report.
    history.setShownDays(std::nullopt);
    const auto items = QorvCSHistoryCharts::itemsForSource(history, battery, now);
    QorvCSHTMLReport html(false);
    html.addItemsFromArray(items);
    const std::string body = reporttest::body(html);
    size_t figures = 0;
    for (size_t at = body.find("<figure"); at != std::string::npos; at = body.find("<figure", at + 1))
        ++figures;
    EXPECT_EQ(figures, 3u);

    QorvCSJSONReport json({ "host", "1", Value::Date { 0 } });
    json.addItem(QorvCSReportTitle::titleWithText("Internal Battery"));
    json.addItemsFromArray(items);
    const Value document = json.asValue();
    const Value* history_ = document.find("groups")->asArray()->at(0).find("history");
    ASSERT_NE(history_, nullptr);
    ASSERT_EQ(history_->asArray()->size(), 3u);
    const Value& week = history_->asArray()->at(1);
    EXPECT_EQ(week.find("kind")->description(), "activity");
    EXPECT_EQ(week.find("samples")->asArray()->size(), size_t(5 * 24 * 6));
    const Value& first = week.find("samples")->asArray()->at(0);
    EXPECT_EQ(first.find("time")->asInteger(), now - 5 * day);
    EXPECT_EQ(first.find("state")->description(), "discharging");
    EXPECT_EQ(history_->asArray()->at(2).find("capacities")->asArray()->at(1).find("cycles")->asInteger(), 30);

    // Updates within one minute draw the same charts, unless a sample arrived.
    const auto drawn = [&](int64_t at) {
        QorvCSHTMLReport report(false);
        report.addItemsFromArray(QorvCSHistoryCharts::itemsForSource(history, battery, at));
        return reporttest::body(report);
    };
    const std::string early = drawn(now + 5);
    EXPECT_EQ(drawn(now + 55), early);
    batch = {};
    batch.samples.push_back({ identity, { now + 30, 49.0, 6.0, QorvCSHistoryState::Discharging } });
    ASSERT_TRUE(store->write(batch));
    EXPECT_NE(drawn(now + 55), early) << "a new sample is drawn";
}
