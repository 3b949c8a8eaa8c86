#include "QorvCSHistoryCharts.h"

#include "application/history/QorvCSHistoryReading.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

constexpr int64_t day = 24 * 3600;

std::string localized(std::string_view key)
{
    return qorv::Bundle::main().localizedString(key);
}

// A figure as the summaries write it: whole above ten, one decimal below.
std::string figure(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, std::fabs(value) >= 10 ? "%.0f" : "%.1f", value);
    std::string out = text;
    if (out.ends_with(".0"))
        out.resize(out.size() - 2);
    if (out == "-0")
        return "0";
    // The language's decimal mark ("6,5 W" in German); snprintf always writes a point here.
    if (const auto point = out.find('.'); point != std::string::npos)
        out.replace(point, 1, qorv::Bundle::main().localizedString("QorvCSHistoryCharts.DecimalSeparator", "."));
    return out;
}

std::vector<std::string> namesFor(std::string_view prefix, int first, int count)
{
    std::vector<std::string> names;
    for (int i = first; i < first + count; ++i)
        names.push_back(localized(qorv::format("QorvCSHistoryCharts.%@.%d", prefix, i)));
    return names;
}

QorvCSHistoryChart chartBase(QorvCSHistoryChart::Kind kind, int64_t from, int64_t to)
{
    QorvCSHistoryChart chart;
    chart.kind = kind;
    chart.from = from;
    chart.to = to;
    chart.weekdays = namesFor("Weekday", 0, 7);
    chart.months = namesFor("MonthShort", 1, 12);
    return chart;
}

} // namespace

std::string QorvCSHistoryCharts::activitySummary(const std::vector<QorvCSHistorySample>& samples)
{
    std::optional<double> lowest, highest;
    double charging = 0, discharging = 0;
    int chargingCount = 0, dischargingCount = 0;
    for (const auto& s : samples) {
        if (s.percent) {
            lowest = std::min(lowest.value_or(*s.percent), *s.percent);
            highest = std::max(highest.value_or(*s.percent), *s.percent);
        }
        if (s.watts && s.state == QorvCSHistoryState::Charging) {
            charging += *s.watts;
            ++chargingCount;
        } else if (s.watts && s.state == QorvCSHistoryState::Discharging) {
            discharging += *s.watts;
            ++dischargingCount;
        }
    }
    if (!lowest)
        return localized("QorvCSHistoryCharts.NoSamples");
    std::string text = qorv::format(
        localized("QorvCSHistoryCharts.ChargeRange"), figure(std::round(*lowest)), figure(std::round(*highest)));
    if (dischargingCount)
        text += "; "
            + qorv::format(localized("QorvCSHistoryCharts.DischargeRate"), figure(discharging / dischargingCount));
    if (chargingCount)
        text += "; " + qorv::format(localized("QorvCSHistoryCharts.ChargeRate"), figure(charging / chargingCount));
    return text;
}

std::string QorvCSHistoryCharts::wearSummary(const std::vector<QorvCSHistoryCapacity>& capacities, int64_t now)
{
    const QorvCSHistoryCapacity *first = nullptr, *last = nullptr;
    std::optional<int64_t> cycles;
    for (const auto& c : capacities) {
        if (c.full && c.design && *c.design > 0) {
            if (!first)
                first = &c;
            last = &c;
        }
        if (c.cycles)
            cycles = c.cycles;
    }
    if (!first)
        return localized("QorvCSHistoryCharts.NoCapacity");
    const double firstPercent = *first->full / *first->design * 100, lastPercent = *last->full / *last->design * 100;
    std::time_t since = static_cast<std::time_t>(first->time), today = static_cast<std::time_t>(now);
    std::tm sinceTm {}, nowTm {};
    localtime_r(&since, &sinceTm);
    localtime_r(&today, &nowTm);
    std::string month = localized(qorv::format("QorvCSHistoryCharts.Month.%d", sinceTm.tm_mon + 1));
    if (sinceTm.tm_year != nowTm.tm_year) {
        month += ' ';
        month += std::to_string(sinceTm.tm_year + 1900);
    }
    const double lost = std::round(firstPercent - lastPercent);
    std::string text = lost > 0
        ? qorv::format(localized("QorvCSHistoryCharts.WearLost"), figure(lost), month)
        : qorv::format(localized("QorvCSHistoryCharts.WearKept"), figure(std::round(lastPercent)), month);
    if (cycles)
        text += "; " + qorv::format(localized("QorvCSHistoryCharts.Cycles"), std::to_string(*cycles));
    return text;
}

int64_t QorvCSHistoryCharts::drawnUntil(int64_t now)
{
    constexpr int64_t minute = 60; // the recorder's sample interval
    const int64_t into = now % minute;
    return into == 0 ? now : now + (into > 0 ? minute - into : -into);
}

QorvCSReportItemList QorvCSHistoryCharts::itemsForSource(
    const QorvCSHistory& history, const qorv::Value::Dictionary& description, int64_t clock)
{
    const int64_t now = drawnUntil(clock);
    QorvCSReportItemList items;
    const auto& store = history.store();
    const std::string identity = QorvCSHistoryReading(description).identity();
    if (!store || !store->isOpen() || identity.empty())
        return items;
    const int64_t shown = history.shownDays().value_or(INT64_MAX / (2 * day)) * day;

    // The longest window is read once; the shorter ones are its tail.
    constexpr int64_t windows[] = { day, 7 * day };
    const auto widest = store->samples(identity, now - std::min(windows[std::size(windows) - 1], shown), now + 1);
    int64_t previousSpan = 0;
    for (const int64_t window : windows) {
        const int64_t span = std::min(window, shown);
        if (span <= previousSpan)
            continue;
        previousSpan = span;
        auto first = std::lower_bound(widest.begin(), widest.end(), now - span,
            [](const QorvCSHistorySample& s, int64_t time) { return s.time < time; });
        if (first == widest.end())
            continue;
        auto samples = std::make_shared<std::vector<QorvCSHistorySample>>(first, widest.end());
        auto chart = chartBase(QorvCSHistoryChart::Kind::Activity, now - span, now);
        chart.title = span == day ? localized("QorvCSHistoryCharts.Title.Day")
            : span == 7 * day     ? localized("QorvCSHistoryCharts.Title.Week")
                                  : qorv::format(localized("QorvCSHistoryCharts.Title.Days"), span / day);
        chart.summary = activitySummary(*samples);
        chart.labels = { localized("QorvCSHistoryCharts.Charge"), localized("QorvCSHistoryCharts.Rate"),
            localized("QorvCSHistoryCharts.Charging"), localized("QorvCSHistoryCharts.Discharging") };
        chart.samples = std::move(samples);
        items.push_back(QorvCSReportHistoryChart::itemWithChart(std::move(chart)));
    }

    auto capacities = std::make_shared<std::vector<QorvCSHistoryCapacity>>();
    for (const auto& c : store->capacities(identity))
        if (c.time >= now - shown && c.time <= now && c.full && c.design)
            capacities->push_back(c);
    if (!capacities->empty()) {
        auto chart = chartBase(QorvCSHistoryChart::Kind::Wear, std::min(capacities->front().time, now - day), now);
        chart.title = localized("QorvCSHistoryCharts.Title.Wear");
        chart.summary = wearSummary(*capacities, now);
        chart.labels = { localized("QorvCSHistoryCharts.Wear"), localized("QorvCSHistoryCharts.CyclesLabel") };
        chart.capacities = std::move(capacities);
        items.push_back(QorvCSReportHistoryChart::itemWithChart(std::move(chart)));
    }
    return items;
}
