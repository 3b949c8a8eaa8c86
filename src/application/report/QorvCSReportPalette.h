#pragma once

#include "foundation/Color.h"

#include <string>
#include <utility>
#include <vector>

// The colours the report's templates are filled with. The desktop hands in a few roles of its palette; every
// other colour (secondary text, rules, underlines, buttons) is derived from them, and each text colour is pushed
// towards black or white until it reads at 4.5:1 or better on both row colours, whatever the theme.
struct QorvCSReportPalette {
    qorv::Color base { 1, 1, 1 };
    qorv::Color alternateBase { 0.96, 0.96, 0.96 };
    qorv::Color text { 0.12, 0.14, 0.16 };
    qorv::Color link { 0.04, 0.41, 0.85 };
    qorv::Color highlight { 0.71, 0.84, 1 };
    qorv::Color highlightedText { 0, 0, 0 };

    // Dark text on white with light grey alternate rows: paper and PDF, whatever the desktop's theme.
    static QorvCSReportPalette printPalette();

    // Placeholder names (without the brackets) and their texts: "#rrggbb" colours and "colorScheme", which is
    // "light" or "dark" after the base colour.
    std::vector<std::pair<std::string, std::string>> templateValues() const;
};

// Relative luminance and contrast ratio as accessibility guidelines define them: 1 (same) to 21 (black on white).
double QorvCSRelativeLuminance(const qorv::Color& color);
double QorvCSContrastRatio(const qorv::Color& a, const qorv::Color& b);
// `color` moved towards black or white (whichever stands out more) just far enough to reach `ratio` on both
// backgrounds; unchanged when it already does.
qorv::Color QorvCSReadableColor(
    const qorv::Color& color, const qorv::Color& first, const qorv::Color& second, double ratio);
// `a` moved the fraction t of the way towards `b`.
qorv::Color QorvCSMixColor(const qorv::Color& a, const qorv::Color& b, double t);
