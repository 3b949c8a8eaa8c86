#include "QorvCSHistoryChartRenderer.h"
#include "QorvCSHTMLReport.h"

#include "application/history/QorvCSHistoryStore.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <list>
#include <mutex>

namespace {

// The drawing's own units; the figure scales to the page's width.
constexpr double width = 640, height = 230;
constexpr double left = 44, right = 48, top = 26, bottom = 30;
constexpr double plotHeight = height - top - bottom;

// A coordinate with one decimal: enough for any screen, and short.
void appendNumber(std::string& out, double value)
{
    // The common case in whole tenths, several times faster than to_chars, which a week's thousands of points feel.
    // Below 1e8 tenths the product is off the exact value by less than 1e-7, so its rounding is the exact value's
    // unless it lies next to a half: those, and anything larger, go to to_chars.
    if (const double tenths = value * 10; std::fabs(tenths) < 1e8) {
        const double rounded = std::nearbyint(tenths);
        if (std::fabs(std::fabs(tenths - rounded) - 0.5) > 1e-6) {
            auto whole = static_cast<int64_t>(rounded);
            if (whole < 0) {
                out += '-';
                whole = -whole;
            }
            char digits[24];
            const auto written = std::to_chars(digits, digits + sizeof digits, whole / 10);
            out.append(digits, written.ptr);
            if (whole % 10) {
                out += '.';
                out += static_cast<char>('0' + whole % 10);
            }
            return;
        }
    }
    char text[32];
    // to_chars: no locale, and several times faster than printf over the thousands of points of a week.
    const auto result
        = std::to_chars(text, text + sizeof text, std::isfinite(value) ? value : 0.0, std::chars_format::fixed, 1);
    std::string_view written(text, result.ec == std::errc() ? static_cast<size_t>(result.ptr - text) : 0);
    if (written == "-0.0")
        written = "0";
    if (written.ends_with(".0"))
        written.remove_suffix(2);
    out += written;
}

std::string number(double value)
{
    std::string out;
    appendNumber(out, value);
    return out;
}

std::string escaped(std::string_view text)
{
    return QorvCSHTMLReport::escapeString(text);
}

std::string colorValue(const std::vector<std::pair<std::string, std::string>>& values, std::string_view name)
{
    for (const auto& [key, value] : values)
        if (key == name)
            return value;
    return "#808080";
}

const std::string& labelAt(const std::vector<std::string>& labels, size_t index)
{
    static const std::string empty;
    return index < labels.size() ? labels[index] : empty;
}

struct Scale {
    double from, to; // data range
    double low, high; // drawing range
    double operator()(double value) const
    {
        if (to == from)
            return low;
        return low + (std::clamp(value, std::min(from, to), std::max(from, to)) - from) / (to - from) * (high - low);
    }
};

// Local time labels for [from, to): hours over a day or two, days over a week or so, months or years beyond.
std::vector<std::pair<int64_t, std::string>> timeTicks(int64_t from, int64_t to, const QorvCSHistoryChart& chart)
{
    std::vector<std::pair<int64_t, std::string>> ticks;
    const int64_t span = to - from;
    enum {
        Hours,
        Days,
        Months,
        Years
    } unit
        = span <= 2 * 86400   ? Hours
        : span <= 10 * 86400  ? Days
        : span <= 800 * 86400 ? Months
                              : Years;
    const int hourStep = span <= 12 * 3600 ? 2 : span <= 30 * 3600 ? 4 : 8;
    std::time_t start = static_cast<std::time_t>(from);
    std::tm tm {};
    localtime_r(&start, &tm);
    tm.tm_min = tm.tm_sec = 0;
    tm.tm_isdst = -1;
    if (unit != Hours)
        tm.tm_hour = 0;
    if (unit == Months || unit == Years)
        tm.tm_mday = 1;
    if (unit == Years)
        tm.tm_mon = 0;
    for (int guard = 0; guard < 400; ++guard) {
        const std::time_t at = std::mktime(&tm);
        if (at >= to)
            break;
        std::tm shown {};
        localtime_r(&at, &shown);
        std::string text;
        char buffer[48];
        switch (unit) {
        case Hours:
            std::snprintf(buffer, sizeof buffer, "%02d:00", shown.tm_hour);
            text = buffer;
            break;
        case Days:
            text = labelAt(chart.weekdays, static_cast<size_t>(shown.tm_wday)) + " " + std::to_string(shown.tm_mday);
            break;
        case Months:
            text = labelAt(chart.months, static_cast<size_t>(shown.tm_mon));
            if (shown.tm_mon == 0 || ticks.empty())
                text += " " + std::to_string(shown.tm_year + 1900);
            break;
        case Years:
            text = std::to_string(shown.tm_year + 1900);
        }
        if (at >= from && (unit != Hours || shown.tm_hour % hourStep == 0))
            ticks.emplace_back(at, text);
        switch (unit) {
        case Hours:
            tm.tm_hour += 1;
            break;
        case Days:
            tm.tm_mday += 1;
            break;
        case Months:
            tm.tm_mon += 1;
            break;
        case Years:
            tm.tm_year += 1;
        }
        tm.tm_isdst = -1;
    }
    // At most about a dozen labels fit under the chart.
    if (ticks.size() > 12) {
        const size_t stride = (ticks.size() + 11) / 12;
        std::vector<std::pair<int64_t, std::string>> fewer;
        for (size_t i = 0; i < ticks.size(); i += stride)
            fewer.push_back(ticks[i]);
        ticks = std::move(fewer);
    }
    return ticks;
}

// The rate axis's top: a round figure a quarter of which is round too.
double rateCeiling(double most)
{
    for (double magnitude = 1;; magnitude *= 10)
        for (double step : { 4.0, 8.0, 12.0, 20.0, 40.0, 60.0, 80.0 })
            if (step * magnitude / 10 >= most && step * magnitude / 10 >= 4)
                return step * magnitude / 10;
}

void axes(std::string& svg, const Scale& x, const std::vector<std::pair<int64_t, std::string>>& ticks,
    const std::vector<std::pair<double, std::string>>& leftTicks, const Scale& y,
    const std::vector<std::pair<double, std::string>>& rightTicks, const Scale& y2)
{
    svg += "<g class=\"grid\">";
    for (const auto& [value, text] : leftTicks) {
        svg += "<line x1=\"" + number(left) + "\" x2=\"" + number(width - right) + "\" y1=\"" + number(y(value))
            + "\" y2=\"" + number(y(value)) + "\"/>";
    }
    svg += "</g><g class=\"axes\">";
    svg += "<line x1=\"" + number(left) + "\" x2=\"" + number(width - right) + "\" y1=\"" + number(height - bottom)
        + "\" y2=\"" + number(height - bottom) + "\"/>";
    svg += "<line x1=\"" + number(left) + "\" x2=\"" + number(left) + "\" y1=\"" + number(top) + "\" y2=\""
        + number(height - bottom) + "\"/>";
    for (const auto& [at, text] : ticks) {
        const double px = x(static_cast<double>(at));
        svg += "<line x1=\"" + number(px) + "\" x2=\"" + number(px) + "\" y1=\"" + number(height - bottom) + "\" y2=\""
            + number(height - bottom + 4) + "\"/>";
        svg += "<text class=\"time\" x=\"" + number(px) + "\" y=\"" + number(height - bottom + 16)
            + "\" text-anchor=\"middle\">" + escaped(text) + "</text>";
    }
    for (const auto& [value, text] : leftTicks)
        svg += "<text x=\"" + number(left - 5) + "\" y=\"" + number(y(value) + 4) + "\" text-anchor=\"end\">"
            + escaped(text) + "</text>";
    for (const auto& [value, text] : rightTicks)
        svg += "<text x=\"" + number(width - right + 5) + "\" y=\"" + number(y2(value) + 4)
            + "\" text-anchor=\"start\">" + escaped(text) + "</text>";
    svg += "</g>";
}

// Legend entries across the top: a line (or a block, for shading) and its text.
void legend(std::string& svg, const std::vector<std::pair<std::string, std::string>>& entries)
{
    double x = left;
    svg += "<g class=\"legend\">";
    for (const auto& [cls, text] : entries) {
        if (cls.starts_with("band"))
            svg += "<rect class=\"" + cls + "\" x=\"" + number(x) + "\" y=\"6\" width=\"14\" height=\"10\"/>";
        else
            svg += "<line class=\"" + cls + "\" x1=\"" + number(x) + "\" x2=\"" + number(x + 14)
                + "\" y1=\"11\" y2=\"11\"/>";
        svg += "<text x=\"" + number(x + 18) + "\" y=\"15\">" + escaped(text) + "</text>";
        x += 30 + 6.5 * static_cast<double>(text.size());
    }
    svg += "</g>";
}

} // namespace

int64_t QorvCSHistoryChart::gapLimit(int64_t age)
{
    // Two and a half sampling steps: a late sample still joins, a suspended machine does not.
    const int64_t step = age < QorvCSHistoryStore::fullResolutionAge ? 60
        : age < QorvCSHistoryStore::tenMinuteAge                     ? 600
                                                                     : 3600;
    return step * 5 / 2;
}

QorvCSHistoryChartRenderer::QorvCSHistoryChartRenderer(const QorvCSReportPalette& palette, bool forPrint)
{
    if (forPrint) {
        m_colors = { "#000000", "#999999", "#000000", "#000000", "#000000", "#000000", "#000000", 0.0, true };
        m_colors.shade = 0.1;
        return;
    }
    const auto values = palette.templateValues();
    const bool dark = colorValue(values, "colorScheme") == "dark";
    m_colors.text = colorValue(values, "textColor");
    m_colors.rule = colorValue(values, "ruleColor");
    m_colors.charge = colorValue(values, "linkColor");
    m_colors.rate = dark ? "#f0a040" : "#b35900";
    m_colors.charging = m_colors.charge;
    m_colors.discharging = m_colors.rate;
    m_colors.wear = m_colors.charge;
    m_colors.shade = dark ? 0.22 : 0.13;
    m_colors.dashes = false;
}

namespace {

template <typename T>
bool sameRows(const std::shared_ptr<const std::vector<T>>& a, const std::shared_ptr<const std::vector<T>>& b)
{
    if (a == b)
        return true;
    const size_t sizeA = a ? a->size() : 0, sizeB = b ? b->size() : 0;
    return sizeA == sizeB && (sizeA == 0 || *a == *b);
}

bool sameDrawing(const QorvCSHistoryChart& a, const QorvCSHistoryChart& b)
{
    return a.kind == b.kind && a.from == b.from && a.to == b.to && a.title == b.title && a.summary == b.summary
        && a.labels == b.labels && a.weekdays == b.weekdays && a.months == b.months && sameRows(a.samples, b.samples)
        && sameRows(a.capacities, b.capacities);
}

// The time labels follow the local zone: the offsets at both ends and the zone's name stand for it.
std::string zoneOf(int64_t from, int64_t to)
{
    std::string zone;
    for (const int64_t at : { from, to }) {
        const std::time_t time = static_cast<std::time_t>(at);
        std::tm local {};
        localtime_r(&time, &local);
        zone += std::to_string(local.tm_gmtoff) + ' ';
    }
    if (const char* name = std::getenv("TZ"))
        zone += name;
    return zone;
}

struct DrawnChart {
    QorvCSHistoryChart chart;
    std::string idPrefix;
    std::string zone;
    std::string html;
};

constexpr size_t drawnChartsKept = 64;

} // namespace

std::string QorvCSHistoryChartRenderer::html(
    const QorvCSHistoryChart& chart, const std::string& idPrefix, bool* behind) const
{
    // Most renderings draw the charts of the one before: those are remembered, the most recently used first.
    struct Memory {
        std::mutex mutex;
        std::list<std::pair<Colors, DrawnChart>> drawn;
    };
    static Memory memory;
    const std::string zone = zoneOf(chart.from, chart.to);
    {
        std::lock_guard lock(memory.mutex);
        auto lastDrawn = memory.drawn.end();
        for (auto it = memory.drawn.begin(); it != memory.drawn.end(); ++it) {
            const auto& [colors, drawn] = *it;
            if (colors != m_colors || drawn.idPrefix != idPrefix)
                continue;
            if (drawn.zone == zone && sameDrawing(drawn.chart, chart)) {
                memory.drawn.splice(memory.drawn.begin(), memory.drawn, it);
                if (behind)
                    *behind = false;
                return memory.drawn.front().second.html;
            }
            if (lastDrawn == memory.drawn.end())
                lastDrawn = it;
        }
        if (behind && lastDrawn != memory.drawn.end()) {
            *behind = true;
            return lastDrawn->second.html;
        }
    }
    if (behind)
        *behind = false;
    std::string out = draw(chart, idPrefix);
    std::lock_guard lock(memory.mutex);
    memory.drawn.emplace_front(m_colors, DrawnChart { chart, idPrefix, zone, out });
    if (memory.drawn.size() > drawnChartsKept)
        memory.drawn.pop_back();
    return out;
}

std::string QorvCSHistoryChartRenderer::draw(const QorvCSHistoryChart& chart, const std::string& idPrefix) const
{
    const std::string titleID = idPrefix + "-title", descID = idPrefix + "-desc";
    std::string out;
    out.reserve(16384);
    out += "<figure class=\"history-chart\" style=\"break-inside:avoid;margin:1em 0 1.5em\"><svg "
           "xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
    out += number(width) + " " + number(height);
    out += "\" style=\"display:block;width:100%;max-width:48em;height:auto\" role=\"img\" aria-labelledby=\"" + titleID
        + "\" aria-describedby=\"" + descID + "\">";
    out += "<title id=\"" + titleID + "\">" + escaped(chart.title) + "</title>";
    out += "<desc id=\"" + descID + "\">" + escaped(chart.summary) + "</desc>";
    const Colors& c = m_colors;
    out += "<style>text{font:11px sans-serif;fill:" + c.text + "}.axes line{stroke:" + c.text
        + ";stroke-width:1}.grid line{stroke:" + c.rule + ";stroke-width:0.5}.charge{fill:none;stroke:" + c.charge
        + ";stroke-width:1.6}.rate{fill:none;stroke:" + c.rate + ";stroke-width:1.2"
        + (c.dashes ? ";stroke-dasharray:4 3" : "") + "}.band-charging{fill:" + c.charging
        + ";fill-opacity:" + number(c.shade * (c.dashes ? 2 : 1)) + "}.band-discharging{fill:" + c.discharging
        + ";fill-opacity:" + number(c.shade * (c.dashes ? 0.5 : 1)) + "}.wear{fill:none;stroke:" + c.wear
        + ";stroke-width:1.6}.point{fill:" + c.wear + "}</style>";
    out += chart.kind == QorvCSHistoryChart::Kind::Activity ? activity(chart) : wear(chart);
    out += "</svg><figcaption>" + escaped(chart.title) + ": " + escaped(chart.summary) + "</figcaption></figure>";
    return out;
}

std::string QorvCSHistoryChartRenderer::activity(const QorvCSHistoryChart& chart) const
{
    static const std::vector<QorvCSHistorySample> none;
    const auto& samples = chart.samples ? *chart.samples : none;
    const Scale x { static_cast<double>(chart.from), static_cast<double>(chart.to), left, width - right };
    const Scale y { 0, 100, height - bottom, top };
    double most = 0;
    for (const auto& s : samples)
        if (s.watts)
            most = std::max(most, *s.watts);
    const double ceiling = rateCeiling(most);
    const Scale y2 { 0, ceiling, height - bottom, top };

    std::string svg;
    svg.reserve(samples.size() * 24 + 4096);
    legend(svg,
        { { "charge", labelAt(chart.labels, 0) }, { "rate", labelAt(chart.labels, 1) },
            { "band-charging", labelAt(chart.labels, 2) }, { "band-discharging", labelAt(chart.labels, 3) } });
    std::vector<std::pair<double, std::string>> leftTicks, rightTicks;
    for (int i = 0; i <= 4; ++i) {
        leftTicks.emplace_back(25.0 * i, std::to_string(25 * i) + " %");
        rightTicks.emplace_back(ceiling * i / 4, number(ceiling * i / 4) + " W");
    }
    const int64_t now = chart.to;
    auto joined = [&](const QorvCSHistorySample& a, const QorvCSHistorySample& b) {
        return b.time - a.time <= QorvCSHistoryChart::gapLimit(now - a.time);
    };

    // Shaded bands: runs of charging or discharging, each as far as the next sample.
    svg += "<g class=\"bands\">";
    for (size_t i = 0; i + 1 < samples.size();) {
        const auto state = samples[i].state;
        size_t j = i;
        while (j + 1 < samples.size() && samples[j + 1].state == state && joined(samples[j], samples[j + 1]))
            ++j;
        // The band reaches the following sample when it joins, so that neighbouring bands meet.
        const size_t end = j + 1 < samples.size() && joined(samples[j], samples[j + 1]) ? j + 1 : j;
        if ((state == QorvCSHistoryState::Charging || state == QorvCSHistoryState::Discharging) && end > i) {
            const double x0 = x(static_cast<double>(samples[i].time)), x1 = x(static_cast<double>(samples[end].time));
            svg += "<rect class=\"band-";
            svg += state == QorvCSHistoryState::Charging ? "charging" : "discharging";
            svg += "\" x=\"" + number(x0) + "\" y=\"" + number(top) + "\" width=\"" + number(std::max(x1 - x0, 0.1))
                + "\" height=\"" + number(plotHeight) + "\"/>";
        }
        i = j + 1;
    }
    svg += "</g>";

    const auto ticks = timeTicks(chart.from, chart.to, chart);
    axes(svg, x, ticks, leftTicks, y, rightTicks, y2);

    // One path per series, broken where samples are missing; points closer than half a unit are drawn once.
    auto series = [&](const char* cls, auto value, const Scale& scale) {
        svg += "<path class=\"";
        svg += cls;
        svg += "\" d=\"";
        const QorvCSHistorySample* previous = nullptr;
        double lastX = -1e9;
        for (size_t i = 0; i < samples.size(); ++i) {
            const auto& s = samples[i];
            const std::optional<double> v = value(s);
            if (!v) {
                previous = nullptr;
                continue;
            }
            const double px = x(static_cast<double>(s.time));
            const bool continues = previous && joined(*previous, s);
            const bool lastOfRun = i + 1 == samples.size() || !joined(s, samples[i + 1]);
            if (continues && px - lastX < 0.5 && !lastOfRun) {
                previous = &s;
                continue;
            }
            svg += continues ? 'L' : 'M';
            appendNumber(svg, px);
            svg += ' ';
            appendNumber(svg, scale(*v));
            lastX = px;
            previous = &s;
        }
        svg += "\"/>";
    };
    series(
        "charge", [](const QorvCSHistorySample& s) { return s.percent; }, y);
    series(
        "rate", [](const QorvCSHistorySample& s) { return s.watts; }, y2);
    return svg;
}

std::string QorvCSHistoryChartRenderer::wear(const QorvCSHistoryChart& chart) const
{
    static const std::vector<QorvCSHistoryCapacity> none;
    const auto& rows = chart.capacities ? *chart.capacities : none;
    std::vector<std::pair<const QorvCSHistoryCapacity*, double>> points;
    double lowest = 100, highest = 100;
    for (const auto& row : rows)
        if (row.full && row.design && *row.design > 0) {
            const double percent = *row.full / *row.design * 100;
            points.emplace_back(&row, percent);
            lowest = std::min(lowest, percent);
            highest = std::max(highest, percent);
        }
    const double low = std::clamp(std::floor((lowest - 5) / 10) * 10, 0.0, 80.0);
    const double high = std::min(std::ceil(highest / 10) * 10, 200.0);
    const Scale x { static_cast<double>(chart.from), static_cast<double>(chart.to), left, width - right };
    const Scale y { low, high, height - bottom, top };

    std::string svg;
    legend(svg, { { "wear", labelAt(chart.labels, 0) } });
    std::vector<std::pair<double, std::string>> leftTicks;
    const double step = high - low > 60 ? 20 : 10;
    for (double v = low; v <= high + 0.01; v += step)
        leftTicks.emplace_back(v, number(v) + " %");
    axes(svg, x, timeTicks(chart.from, chart.to, chart), leftTicks, y, {}, y);

    svg += "<path class=\"wear\" d=\"";
    for (size_t i = 0; i < points.size(); ++i) {
        svg += i == 0 ? 'M' : 'L';
        appendNumber(svg, x(static_cast<double>(points[i].first->time)));
        svg += ' ';
        appendNumber(svg, y(points[i].second));
    }
    svg += "\"/><g class=\"points\">";
    for (const auto& [row, percent] : points) {
        svg += "<circle class=\"point\" r=\"2\" cx=\"" + number(x(static_cast<double>(row->time))) + "\" cy=\""
            + number(y(percent)) + "\"/>";
    }
    svg += "</g><g class=\"cycles\">";
    // The cycle count where the trend starts and where it ends.
    const QorvCSHistoryCapacity* labelled[2] = { nullptr, nullptr };
    for (const auto& [row, percent] : points)
        if (row->cycles) {
            if (!labelled[0])
                labelled[0] = row;
            labelled[1] = row;
        }
    for (int i = 0; i < 2; ++i) {
        if (!labelled[i] || (i == 1 && labelled[1] == labelled[0]))
            continue;
        const double px = x(static_cast<double>(labelled[i]->time));
        const double py = y(*labelled[i]->full / *labelled[i]->design * 100);
        svg += "<text x=\"" + number(px) + "\" y=\"" + number(py - 8) + "\" text-anchor=\"" + (i == 0 ? "start" : "end")
            + "\">" + std::to_string(*labelled[i]->cycles) + " " + escaped(labelAt(chart.labels, 1)) + "</text>";
    }
    svg += "</g>";
    return svg;
}
