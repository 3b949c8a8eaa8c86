#include "QorvCSSidebarColors.h"

#include "QorvCSReportPalette.h"

QorvCSSidebarColors QorvCSSidebarColors::forPalette(const qorv::Color& background, const qorv::Color& text,
    const qorv::Color& secondaryText, const qorv::Color& border, const qorv::Color& accent)
{
    const auto readable
        = [&](const qorv::Color& c, double ratio) { return QorvCSReadableColor(c, background, background, ratio); };
    QorvCSSidebarColors colors;
    colors.text = readable(text, textRatio);
    colors.groupText = readable(secondaryText, textRatio);
    // Halfway to the background, then back just far enough to stay readable: dimmer than a label whenever the
    // label has contrast to spare.
    colors.dimmedText = readable(QorvCSMixColor(colors.text, background, 0.5), textRatio);
    colors.checkboxBorder = readable(border, controlRatio);
    colors.checkboxFill = readable(accent, controlRatio);
    const qorv::Color black { 0, 0, 0 }, white { 1, 1, 1 };
    colors.checkMark
        = QorvCSContrastRatio(white, colors.checkboxFill) >= QorvCSContrastRatio(black, colors.checkboxFill) ? white
                                                                                                             : black;
    return colors;
}
