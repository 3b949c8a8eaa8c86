// QorvCSHTMLReport: table markup, each row passed through the rendering's rule set.
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Assert.h"

namespace {

void replaceEvery(std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

const std::string* stringEntry(const qorv::Value::Dictionary& record, std::string_view key)
{
    auto it = record.find(key);
    return it == record.end() ? nullptr : it->second.asString();
}

} // namespace

std::string QorvCSHTMLReport::htmlForReportTable(const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    const auto* table = dynamic_cast<const QorvCSReportTable*>(&item);
    QorvAssert(table != nullptr, "%@ cannot render %@ as a table", className(), item.className());
    std::string html
        = qorv::format("<table summary=\"%@\"><caption>%@</caption>", escapeString(table->summary()), escapeString(table->caption()));
    const auto pairs = table->headingValuePairs();
    for (const auto& pair : *pairs) {
        state.incrementItemIndex();
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
        const std::string* heading = stringEntry(result, "presentation heading");
        const std::string* value = stringEntry(result, "presentation value");

        std::string valueHTML = escapeString(value ? *value : std::string());
        if (auto acronym = result.find("acronym"); acronym != result.end()) {
            const std::string* find = acronym->second.find("acronym") ? acronym->second.find("acronym")->asString() : nullptr;
            const std::string* text = acronym->second.find("text") ? acronym->second.find("text")->asString() : nullptr;
            if (find && text) {
                const std::string escapedFind = escapeString(*find);
                replaceEvery(valueHTML, escapedFind,
                    qorv::format("<acronym title=\"%@\">%@</acronym>", escapeString(*text), escapedFind));
            }
        }
        const std::string headingHTML = escapeString(heading ? *heading : std::string());
        if (const std::string* more = stringEntry(result, "more")) {
            html += qorv::format("<tr><th>%@</th><td>%@ <button onclick=\"$('#more%ld').toggle('slow');\">+</button><p "
                                 "class=\"more\" id=\"more%ld\">%@</p></td></tr>",
                headingHTML, valueHTML, state.itemIndex(), state.itemIndex(), escapeString(*more));
        } else {
            html += qorv::format("<tr><th>%@</th><td>%@</td></tr>", headingHTML, valueHTML);
        }
    }
    html += "</table>";
    return html;
}
