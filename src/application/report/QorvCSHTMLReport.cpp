#include "QorvCSHTMLReport.h"

#include "QorvCSHistoryChartRenderer.h"
#include "QorvCSReportCupelController.h"
#include "QorvCSReportFileCache.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace {

using Renderer = std::string (QorvCSHTMLReport::*)(const QorvCSReportItem&, QorvCSHTMLReportState&);

// Rendering operations by kind name; a kind without one fails an assertion.
const std::map<std::string, Renderer, std::less<>>& renderers()
{
    static const std::map<std::string, Renderer, std::less<>> table {
        { "htmlForReportItem:state:", &QorvCSHTMLReport::htmlForReportItem },
        { "htmlForReportSubSectionStart:state:", &QorvCSHTMLReport::htmlForReportSubSectionStart },
        { "htmlForReportSubSectionEnd:state:", &QorvCSHTMLReport::htmlForReportSubSectionEnd },
        { "htmlForReportTitle:state:", &QorvCSHTMLReport::htmlForReportTitle },
        { "htmlForReportTable:state:", &QorvCSHTMLReport::htmlForReportTable },
        { "htmlForReportHistoryChart:state:", &QorvCSHTMLReport::htmlForReportHistoryChart },
    };
    return table;
}

std::vector<qorv::Color>& rowColors()
{
    static std::vector<qorv::Color> colors;
    return colors;
}

QorvCSReportPalette& screenPalette()
{
    static QorvCSReportPalette palette;
    return palette;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

// The templates resource, read again only when the file changes: every rendering needs it.
qorv::Value templates(std::string_view className)
{
    static QorvCSReportFileCache<qorv::Value> cache;
    auto path = qorv::Bundle::main().pathForResource(className, "plist");
    QorvAssert(path.has_value(), "%@ missing HTML templates resource.", className);
    std::string error;
    auto value = cache.value(
        *path,
        [](const std::string& bytes, std::string&) -> std::shared_ptr<const qorv::Value> {
            auto parsed = qorv::PropertyList::parse(bytes);
            if (!parsed.value.isDictionary())
                return nullptr;
            return std::make_shared<const qorv::Value>(std::move(parsed.value));
        },
        error);
    QorvAssert(value != nullptr, "%@ malformed HTML templates resource.", className);
    return *value;
}

// The template with each "[[QorvCSHTMLReport.Key]]" replaced by the escaped text of that key in the default
// localisation table, so that one template serves every language.
std::string localizedTemplate(std::string text)
{
    constexpr std::string_view opening = "[[QorvCSHTMLReport.";
    for (size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at)) {
        const size_t end = text.find("]]", at + opening.size());
        if (end == std::string::npos)
            break;
        const std::string key = text.substr(at + 2, end - at - 2);
        const std::string translation = QorvCSHTMLReport::escapeString(qorv::Bundle::main().localizedString(key, key));
        text.replace(at, end + 2 - at, translation);
        at += translation.size();
    }
    return text;
}

} // namespace

void QorvCSHTMLReport::setAlternatingRowBackgroundColors(std::vector<qorv::Color> colors)
{
    rowColors() = std::move(colors);
}

const std::vector<qorv::Color>& QorvCSHTMLReport::alternatingRowBackgroundColors()
{
    return rowColors();
}

void QorvCSHTMLReport::setPalette(const QorvCSReportPalette& palette)
{
    screenPalette() = palette;
}

QorvCSReportPalette QorvCSHTMLReport::palette()
{
    return screenPalette();
}

void QorvCSHTMLReport::setTemplateValue(const std::string& name, const std::string& text)
{
    m_templateValues.emplace_back("[[" + name + "]]", escapeString(text));
}

std::string QorvCSHTMLReport::filledTop(std::string top) const
{
    const QorvCSReportPalette print = QorvCSReportPalette::printPalette();
    std::vector<qorv::Color> colors = alternatingRowBackgroundColors();
    if (forExport())
        colors = { print.base, print.alternateBase };
    if (colors.size() >= 2) {
        replaceAll(top, "[[controlAlternatingRowBackgroundColor0]]", qorv::hexadecimalValue(colors[0]).value_or(""));
        replaceAll(top, "[[controlAlternatingRowBackgroundColor1]]", qorv::hexadecimalValue(colors[1]).value_or(""));
    }
    for (const auto& [name, text] : (forExport() ? print : palette()).templateValues())
        replaceAll(top, "[[" + name + "]]", text);
    for (const auto& [placeholder, text] : m_templateValues)
        replaceAll(top, placeholder, text);
    return top;
}

std::string QorvCSHTMLReport::asHTML()
{
    // Documents are large and much alike from one rendering to the next: start with the last one's size.
    static std::atomic<size_t> lastSize[2] {};
    std::string output;
    output.reserve(lastSize[forExport()]);
    QorvCSHTMLReportState state;
    const qorv::Value pieces = templates(className());
    auto piece = [&](std::string_view key) -> const std::string* {
        const qorv::Value* v = pieces.find(key);
        return v ? v->asString() : nullptr;
    };

    if (const std::string* top = piece(forExport() ? "export-top" : "top"))
        output += filledTop(localizedTemplate(*top));

    for (const auto& item : items()) {
        const std::string_view name = item->className();
        std::string operation = "htmlForReport";
        operation.append(name.size() > 12 ? name.substr(12) : std::string_view()).append(":state:");
        auto it = renderers().find(operation);
        QorvAssert(it != renderers().end(), "%@ does not respond to selector %@", className(), operation);
        // Tables are most of a document: written in place rather than made apart and copied.
        if (it->second == &QorvCSHTMLReport::htmlForReportTable)
            appendTable(output, *item, state);
        else
            output += (this->*(it->second))(*item, state);
        state.incrementItemIndex();
    }

    if (items().empty())
        if (const std::string* empty = piece(forExport() ? "export-empty" : "empty"))
            output += localizedTemplate(*empty);
    if (const std::string* bottom = piece(forExport() ? "export-bottom" : "bottom"))
        output += *bottom;
    lastSize[forExport()] = output.size();
    return output;
}

std::string QorvCSHTMLReport::htmlForReportItem(const QorvCSReportItem&, QorvCSHTMLReportState&)
{
    return {};
}

std::string QorvCSHTMLReport::htmlForReportSubSectionStart(const QorvCSReportItem&, QorvCSHTMLReportState& state)
{
    state.incrementHeadingLevel();
    return "<div>";
}

std::string QorvCSHTMLReport::htmlForReportSubSectionEnd(const QorvCSReportItem&, QorvCSHTMLReportState& state)
{
    state.decrementHeadingLevel();
    return "</div>";
}

std::string QorvCSHTMLReport::htmlForReportTitle(const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    const auto* title = dynamic_cast<const QorvCSReportTitle*>(&item);
    QorvAssert(title != nullptr, "%@ cannot render %@ as a title", className(), item.className());
    const std::string level = std::to_string(std::clamp<int64_t>(state.headingLevel(), 1, 6));
    std::string html = "<h" + level;
    if (!title->anchor().empty()) {
        html += " id=\"";
        appendEscaped(html, title->anchor());
        html += '"';
    }
    html += '>';
    appendEscaped(html, title->title());
    return html.append("</h").append(level).append(">");
}

std::string QorvCSHTMLReport::htmlForReportHistoryChart(const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    const auto* chart = dynamic_cast<const QorvCSReportHistoryChart*>(&item);
    QorvAssert(chart != nullptr, "%@ cannot render %@ as a history chart", className(), item.className());
    const QorvCSHistoryChartRenderer renderer(
        forExport() ? QorvCSReportPalette::printPalette() : palette(), forExport());
    const std::string idPrefix = "history-" + std::to_string(state.itemIndex());
    if (!m_chartsAsLastDrawn)
        return renderer.html(chart->chart(), idPrefix);
    bool behind = false;
    std::string html = renderer.html(chart->chart(), idPrefix, &behind);
    m_chartsBehind = m_chartsBehind || behind;
    return html;
}

std::string QorvCSHTMLReport::escapeString(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    appendEscaped(out, text);
    return out;
}

void QorvCSHTMLReport::appendEscaped(std::string& out, std::string_view text)
{
    // One pass gives the same result as replacing each character over the whole text, ampersand first: no
    // entity holds a character replaced after it. Runs between special characters are copied whole.
    size_t copied = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        std::string_view entity;
        switch (text[at]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        case '\'':
            entity = "&#x27;";
            break;
        case '/':
            entity = "&#x2F;";
            break;
        default:
            continue;
        }
        out.append(text, copied, at - copied);
        out += entity;
        copied = at + 1;
    }
    out.append(text, copied);
}
