// The shipped templates filled with light, dark and careless palettes: every text must stay readable on screen,
// and the export rendering must be dark on white whatever the desktop's palette.
#include "ReportTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

using reporttest::ResourceDirectory;

namespace {

qorv::Color rgb(int value)
{
    return { ((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0 };
}

qorv::Color parse(const std::string& hex)
{
    return rgb(std::stoi(hex.substr(1), nullptr, 16));
}

QorvCSReportPalette palette(int base, int alternateBase, int text, int link, int highlight)
{
    QorvCSReportPalette p;
    p.highlight = rgb(highlight);
    p.highlightedText = rgb(text);
    p.base = rgb(base);
    p.alternateBase = rgb(alternateBase);
    p.text = rgb(text);
    p.link = rgb(link);
    return p;
}

// Fusion's light palette, a dark one, and one whose text and link colours nearly vanish into its base.
const std::map<std::string, QorvCSReportPalette> palettes {
    { "light", palette(0xffffff, 0xf7f7f7, 0x000000, 0x0000ff, 0x308cc6) },
    { "dark", palette(0x1e1e20, 0x28282b, 0xe6e6e6, 0x78b0ff, 0x3584e4) },
    { "careless", palette(0x303030, 0x3a3a3a, 0x505050, 0x2040a0, 0x404040) },
};

// The declarations of the document's style sheet, by selector: "th" → {"color" → "#424a53", ...}.
std::map<std::string, std::map<std::string, std::string>> styleRules(const std::string& html)
{
    const auto start = html.find("<style>"), end = html.find("</style>");
    EXPECT_NE(start, std::string::npos);
    const std::string css = html.substr(start + 7, end - start - 7);
    std::map<std::string, std::map<std::string, std::string>> rules;
    static const std::regex rule(R"(([^{}]+)\{([^}]*)\})"), declaration(R"(([-\w]+)\s*:\s*([^;]+))");
    for (std::sregex_iterator r(css.begin(), css.end(), rule), none; r != none; ++r) {
        const std::string body = (*r)[2];
        std::string selectors = (*r)[1];
        selectors = std::regex_replace(selectors, std::regex(R"(^\s+|\s+$)"), "");
        for (std::sregex_iterator d(body.begin(), body.end(), declaration); d != none; ++d)
            rules[selectors][(*d)[1]] = std::regex_replace((*d)[2].str(), std::regex(R"(\s+$)"), "");
    }
    return rules;
}

std::string render(bool forExport)
{
    auto report = QorvCSHTMLReport::reportForExport(forExport);
    report->addItem(QorvCSReportTitle::titleWithText("Battery"));
    return report->asHTML();
}

class ReportPalette : public ::testing::Test {
protected:
    void TearDown() override
    {
        QorvCSHTMLReport::setAlternatingRowBackgroundColors({});
        QorvCSHTMLReport::setPalette({});
    }
    static void use(const QorvCSReportPalette& p)
    {
        QorvCSHTMLReport::setAlternatingRowBackgroundColors({ p.base, p.alternateBase });
        QorvCSHTMLReport::setPalette(p);
    }
    ResourceDirectory resources { { CELLSHEET_SOURCE_RESOURCES } };
};

} // namespace

TEST_F(ReportPalette, EveryTextReadsAtFourAndAHalfToOneOnEveryBackground)
{
    // The selectors whose text the reader must read, and the backgrounds they are read on.
    const char* texts[] = { "body", "th", "caption", "p.more", ".empty", "a", "button" };
    for (const bool forExport : { false, true }) {
        for (const auto& [name, p] : palettes) {
            use(p);
            const auto rules = styleRules(render(forExport));
            std::vector<std::string> backgrounds;
            for (const auto& [selector, declarations] : rules)
                if (auto it = declarations.find("background"); it != declarations.end() && it->second[0] == '#'
                    && selector.find("hover") == std::string::npos && selector.find("selection") == std::string::npos)
                    backgrounds.push_back(it->second);
            ASSERT_GE(backgrounds.size(), forExport ? 1u : 3u) << name;
            for (const char* selector : texts) {
                auto rule = rules.find(selector);
                if (forExport && (rule == rules.end() || !rule->second.count("color")))
                    continue; // paper has no buttons
                ASSERT_NE(rule, rules.end()) << selector;
                auto color = rule->second.find("color");
                ASSERT_NE(color, rule->second.end()) << selector;
                for (const auto& background : backgrounds)
                    EXPECT_GE(QorvCSContrastRatio(parse(color->second), parse(background)), 4.5)
                        << name << (forExport ? " export " : " screen ") << selector << " " << color->second << " on "
                        << background;
            }
        }
    }
}

TEST_F(ReportPalette, ScreenFollowsThePaletteAndExportIsDarkOnWhite)
{
    use(palettes.at("light"));
    const std::string lightScreen = render(false), lightExport = render(true);
    use(palettes.at("dark"));
    const std::string darkScreen = render(false), darkExport = render(true);

    // No colour of the screen's style sheet is fixed: each one is a placeholder the palette fills.
    const auto top = lightScreen.substr(0, lightScreen.find("</style>"));
    EXPECT_EQ(top.find("[["), std::string::npos);
    for (const auto& [selector, declarations] : styleRules(lightScreen)) {
        for (const auto& [property, value] : declarations) {
            if (value.find('#') != std::string::npos) {
                EXPECT_NE(styleRules(darkScreen)[selector][property], value) << selector << " " << property;
            }
        }
    }
    EXPECT_NE(darkScreen.find("color-scheme: dark"), std::string::npos);

    // The export rendering does not depend on the palette; its rows are white and a light grey.
    EXPECT_EQ(lightExport, darkExport);
    const auto rules = styleRules(darkExport);
    for (const auto& [selector, declarations] : rules) {
        if (auto it = declarations.find("background"); it != declarations.end() && it->second[0] == '#') {
            EXPECT_GE(QorvCSRelativeLuminance(parse(it->second)), 0.85) << selector << " " << it->second;
        }
    }
}

TEST_F(ReportPalette, ExportTemplateOfAnOverlayGetsPrintColoursForTheRowPlaceholders)
{
    resources.writePlist("QorvCSHTMLReport.plist",
        qorv::Value(qorv::Value::Dictionary { { "export-top",
            "<x c0=[[controlAlternatingRowBackgroundColor0]] c1=[[controlAlternatingRowBackgroundColor1]] "
            "t=[[textColor]] n=[[computerName]]>" } }));
    use(palettes.at("dark"));
    auto report = QorvCSHTMLReport::reportForExport(true);
    report->setTemplateValue("computerName", "Ann's <PC>");
    EXPECT_EQ(report->asHTML(), "<x c0=#ffffff c1=#f2f2f2 t=#000000 n=Ann&#x27;s &lt;PC&gt;>");
}
