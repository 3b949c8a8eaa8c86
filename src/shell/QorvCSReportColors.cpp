#include "QorvCSReportColors.h"

#include "QorvCSHTMLReport.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <cstdlib>
#include <string_view>

namespace {

qorv::Color toColor(const QColor& c)
{
    return { c.redF(), c.greenF(), c.blueF(), c.isValid() };
}

QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2d, 0x2d, 0x30), base(0x1e, 0x1e, 0x20), text(0xe6, 0xe6, 0xe6);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x28, 0x28, 0x2b));
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x78, 0xb0, 0xff));
    p.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    return p;
}

} // namespace

QorvCSReportPalette QorvCSReportPaletteFromQt(const QPalette& palette)
{
    QorvCSReportPalette result;
    result.base = toColor(palette.color(QPalette::Base));
    result.alternateBase = toColor(palette.color(QPalette::AlternateBase));
    result.text = toColor(palette.color(QPalette::Text));
    result.link = toColor(palette.color(QPalette::Link));
    result.highlight = toColor(palette.color(QPalette::Highlight));
    result.highlightedText = toColor(palette.color(QPalette::HighlightedText));
    return result;
}

void QorvCSApplyReportColors(const QPalette& palette)
{
    const QorvCSReportPalette colors = QorvCSReportPaletteFromQt(palette);
    QorvCSHTMLReport::setAlternatingRowBackgroundColors({ colors.base, colors.alternateBase });
    QorvCSHTMLReport::setPalette(colors);
}

void QorvCSApplyColorSchemeFromEnvironment()
{
    const char* scheme = std::getenv("CELLSHEET_COLOR_SCHEME");
    if (!scheme || (std::string_view(scheme) != "dark" && std::string_view(scheme) != "light"))
        return;
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(
        std::string_view(scheme) == "dark" ? darkPalette() : QApplication::style()->standardPalette());
}
