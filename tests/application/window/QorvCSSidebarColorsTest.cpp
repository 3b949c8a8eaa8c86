#include "QorvCSSidebarColors.h"
#include "QorvCSReportPalette.h"

#include <gtest/gtest.h>

TEST(SidebarColors, LabelsReadAndControlsShowOnLightDarkAndWashedOutPalettes)
{
    struct Case {
        const char* name;
        qorv::Color background, text, secondary, border, accent;
    };
    const Case cases[] = {
        // Fusion's own light and dark palettes, and a theme whose greys are all close together.
        { "light", { 0.937, 0.937, 0.937 }, { 0, 0, 0 }, { 0.5, 0.5, 0.5 }, { 0.72, 0.72, 0.72 },
            { 0.19, 0.55, 0.78 } },
        { "dark", { 0.16, 0.16, 0.16 }, { 1, 1, 1 }, { 0.5, 0.5, 0.5 }, { 0.3, 0.3, 0.3 }, { 0.16, 0.5, 0.73 } },
        { "washed out", { 0.8, 0.8, 0.8 }, { 0.55, 0.55, 0.55 }, { 0.7, 0.7, 0.7 }, { 0.75, 0.75, 0.75 },
            { 0.7, 0.75, 0.8 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto colors = QorvCSSidebarColors::forPalette(c.background, c.text, c.secondary, c.border, c.accent);
        EXPECT_GE(QorvCSContrastRatio(colors.text, c.background), 4.5);
        EXPECT_GE(QorvCSContrastRatio(colors.groupText, c.background), 4.5);
        EXPECT_GE(QorvCSContrastRatio(colors.dimmedText, c.background), 4.5);
        EXPECT_GE(QorvCSContrastRatio(colors.checkboxBorder, c.background), 3.0);
        EXPECT_GE(QorvCSContrastRatio(colors.checkboxFill, c.background), 3.0);
        EXPECT_GE(QorvCSContrastRatio(colors.checkMark, colors.checkboxFill), 3.0);
    }
    // With contrast to spare, an unticked row is visibly dimmer than a ticked one.
    for (const auto& c : { cases[0], cases[1] }) {
        const auto colors = QorvCSSidebarColors::forPalette(c.background, c.text, c.secondary, c.border, c.accent);
        EXPECT_LT(
            QorvCSContrastRatio(colors.dimmedText, c.background), 0.6 * QorvCSContrastRatio(colors.text, c.background))
            << c.name;
    }
}
