#include "QorvCSReportPalette.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double readableRatio = 4.5;

qorv::Color rgb(const qorv::Color& c)
{
    // A colour without an RGB form (a pattern) has no components to derive from: read it as mid grey.
    return c.isRGB ? c : qorv::Color { 0.5, 0.5, 0.5 };
}

// `a` moved the fraction t of the way towards `b`.
qorv::Color mix(const qorv::Color& a, const qorv::Color& b, double t)
{
    const qorv::Color x = rgb(a), y = rgb(b);
    return { x.red + (y.red - x.red) * t, x.green + (y.green - x.green) * t, x.blue + (y.blue - x.blue) * t };
}

// `color`, moved towards black or white (whichever stands out more from the backgrounds) just far enough to read
// at the given ratio on every background. A palette whose text colour is close to its base colour still gives
// readable text.
qorv::Color readableOn(const qorv::Color& color, const qorv::Color& first, const qorv::Color& second, double ratio)
{
    auto worst
        = [&](const qorv::Color& c) { return std::min(QorvCSContrastRatio(c, first), QorvCSContrastRatio(c, second)); };
    if (worst(color) >= ratio)
        return rgb(color);
    const qorv::Color black { 0, 0, 0 }, white { 1, 1, 1 };
    const qorv::Color target = worst(black) >= worst(white) ? black : white;
    for (int step = 1; step <= 20; ++step) {
        const qorv::Color moved = mix(color, target, step / 20.0);
        if (worst(moved) >= ratio)
            return moved;
    }
    return target;
}

double linear(double c)
{
    c = std::clamp(std::isfinite(c) ? c : 0.0, 0.0, 1.0);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double QorvCSRelativeLuminance(const qorv::Color& color)
{
    const qorv::Color c = rgb(color);
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

double QorvCSContrastRatio(const qorv::Color& a, const qorv::Color& b)
{
    const double la = QorvCSRelativeLuminance(a), lb = QorvCSRelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QorvCSReportPalette QorvCSReportPalette::printPalette()
{
    QorvCSReportPalette palette;
    palette.base = { 1, 1, 1 };
    palette.alternateBase = { 0.949, 0.949, 0.949 };
    palette.text = { 0, 0, 0 };
    palette.link = { 0, 0.25, 0.6 };
    return palette;
}

std::vector<std::pair<std::string, std::string>> QorvCSReportPalette::templateValues() const
{
    const qorv::Color body = readableOn(text, base, alternateBase, readableRatio);
    const qorv::Color anchor = readableOn(link, base, alternateBase, readableRatio);
    const qorv::Color values[] = {
        body,
        readableOn(mix(body, base, 0.3), base, alternateBase, readableRatio),
        mix(body, base, 0.82),
        mix(body, base, 0.5),
        anchor,
        mix(anchor, base, 0.55),
        mix(anchor, base, 0.88),
        rgb(highlight),
        readableOn(highlightedText, highlight, highlight, readableRatio),
    };
    const char* names[] = { "textColor", "secondaryTextColor", "ruleColor", "acronymUnderlineColor", "linkColor",
        "buttonBorderColor", "buttonHoverColor", "highlightColor", "highlightedTextColor" };
    std::vector<std::pair<std::string, std::string>> result;
    for (size_t i = 0; i < std::size(values); ++i)
        result.emplace_back(names[i], qorv::hexadecimalValue(values[i]).value_or("#808080"));
    result.emplace_back("colorScheme", QorvCSRelativeLuminance(base) < 0.5 ? "dark" : "light");
    return result;
}

qorv::Color QorvCSReadableColor(
    const qorv::Color& color, const qorv::Color& first, const qorv::Color& second, double ratio)
{
    return readableOn(color, first, second, ratio);
}

qorv::Color QorvCSMixColor(const qorv::Color& a, const qorv::Color& b, double t)
{
    return mix(a, b, t);
}
