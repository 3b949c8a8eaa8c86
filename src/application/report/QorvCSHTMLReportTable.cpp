// QorvCSHTMLReport: table markup, each row passed through the rendering's rule set.
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Assert.h"

namespace {

const std::string* stringEntry(const qorv::Value::Dictionary& record, std::string_view key)
{
    auto it = record.find(key);
    return it == record.end() ? nullptr : it->second.asString();
}

// Replaces every occurrence of the escaped text `find` in the escaped text `html`, left to right, not
// overlapping. An occurrence that begins inside an entity ("&amp;" holds "amp") is not one of the text's own
// and is skipped, or the markup would cut the entity in two.
void markEvery(std::string& html, const std::string& find, const std::string& markup)
{
    if (find.empty())
        return;
    std::string out;
    size_t copied = 0;
    size_t entityStart = std::string::npos; // where the entity scanned into began, if any
    size_t scanned = 0;
    for (size_t pos = html.find(find); pos != std::string::npos; pos = html.find(find, pos)) {
        for (; scanned < pos; ++scanned) {
            if (html[scanned] == '&')
                entityStart = scanned;
            else if (html[scanned] == ';')
                entityStart = std::string::npos;
        }
        if (entityStart != std::string::npos) {
            ++pos;
            continue;
        }
        out.append(html, copied, pos - copied);
        out += markup;
        pos += find.size();
        copied = pos;
        scanned = pos;
    }
    if (copied == 0 && out.empty())
        return;
    out.append(html, copied, std::string::npos);
    html = std::move(out);
}

} // namespace

std::string QorvCSHTMLReport::htmlForReportTable(const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    const auto* table = dynamic_cast<const QorvCSReportTable*>(&item);
    QorvAssert(table != nullptr, "%@ cannot render %@ as a table", className(), item.className());

    std::string html = "<table summary=\"";
    html += escapeString(table->summary());
    html += "\"><caption>";
    html += escapeString(table->caption());
    html += "</caption>";

    const auto pairs = table->headingValuePairs();
    for (const auto& pair : *pairs) {
        state.incrementItemIndex();

        // The row's annotation record; an item text that is absent leaves its entry out.
        qorv::Value::Dictionary record;
        record.emplace("presentation heading", pair.heading->title());
        if (pair.heading->raw())
            record.emplace("heading", *pair.heading->raw());
        record.emplace("presentation value", pair.value->label());
        if (pair.value->provider())
            record.emplace("provider", *pair.value->provider());
        if (pair.value->raw())
            record.emplace("value", *pair.value->raw());

        const qorv::Value::Dictionary result = state.cupels()->transform(record);

        const std::string* value = stringEntry(result, "presentation value");
        std::string valueHTML = value ? escapeString(*value) : std::string();
        if (auto acronym = result.find("acronym"); acronym != result.end()) {
            const qorv::Value* find = acronym->second.find("acronym");
            const qorv::Value* text = acronym->second.find("text");
            if (find && find->asString() && text && text->asString()) {
                const std::string escapedFind = escapeString(*find->asString());
                std::string markup = "<acronym title=\"";
                markup += escapeString(*text->asString());
                markup += "\">";
                markup += escapedFind;
                markup += "</acronym>";
                markEvery(valueHTML, escapedFind, markup);
            }
        }
        const std::string* heading = stringEntry(result, "presentation heading");

        html += "<tr><th>";
        if (heading)
            html += escapeString(*heading);
        html += "</th><td>";
        html += valueHTML;
        if (const std::string* more = stringEntry(result, "more")) {
            const std::string index = std::to_string(state.itemIndex());
            html += " <button onclick=\"$('#more";
            html += index;
            html += "').toggle('slow');\">+</button><p class=\"more\" id=\"more";
            html += index;
            html += "\">";
            html += escapeString(*more);
            html += "</p>";
        }
        html += "</td></tr>";
    }
    html += "</table>";
    return html;
}
