#pragma once

#include "QorvCSReportPalette.h"

#include <QPalette>

// The report's screen colours from a Qt palette: its rows from Base and AlternateBase, its text, links and
// selection from the matching roles.
QorvCSReportPalette QorvCSReportPaletteFromQt(const QPalette& palette);

// Hands the palette's colours to the report renderer (rows and every other screen colour).
void QorvCSApplyReportColors(const QPalette& palette);

// CELLSHEET_COLOR_SCHEME=dark (or light) gives the application the Fusion style with a dark (or light) palette,
// for desktops whose platform theme gives no dark palette and for checking the report under both.
void QorvCSApplyColorSchemeFromEnvironment();
