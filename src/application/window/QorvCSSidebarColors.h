#pragma once

#include "foundation/Color.h"

// The sidebar's colours, derived from a few roles of the desktop's palette so that whatever the theme its labels
// read at 4.5:1 against the sidebar's background (small text), unticked rows look dimmed yet still read at 4.5:1,
// and checkbox borders and ticked boxes stand out at 3:1 (what a control needs to be seen).
struct QorvCSSidebarColors {
    qorv::Color text; // a section's label
    qorv::Color groupText; // the small capitals of a group row
    qorv::Color dimmedText; // the label of a section left out of the report
    qorv::Color checkboxBorder;
    qorv::Color checkboxFill; // a ticked box
    qorv::Color checkMark; // the tick on checkboxFill

    // background: the sidebar's; text and secondaryText: the palette's text roles; border: the palette's
    // control outline; accent: its highlight.
    static QorvCSSidebarColors forPalette(const qorv::Color& background, const qorv::Color& text,
        const qorv::Color& secondaryText, const qorv::Color& border, const qorv::Color& accent);

    static constexpr double textRatio = 4.5;
    static constexpr double controlRatio = 3.0;
};
