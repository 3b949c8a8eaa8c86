// QorvCSHTMLReport: table markup, each row passed through the rendering's rule set.
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <charconv>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>

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

// A row's five texts; an absent one (an item without raw text or provider) is nullopt.
struct RowTexts {
    std::string_view presentationHeading;
    std::optional<std::string_view> heading;
    std::string_view presentationValue;
    std::optional<std::string_view> provider;
    std::optional<std::string_view> value;
    std::optional<std::string_view> sourceType;
};

std::optional<std::string_view> optionalView(const std::optional<std::string>& text)
{
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

RowTexts textsOf(const QorvCSReportTablePair& pair)
{
    return { pair.heading->title(), optionalView(pair.heading->raw()), pair.value->label(),
        optionalView(pair.value->provider()), optionalView(pair.value->raw()), optionalView(pair.value->sourceType()) };
}

// The rows of a table, but for their indexes: per row "<tr><th>H</th><td>V" and the escaped "more" text, if any,
// all in one text.
struct RenderedRows {
    struct Row {
        size_t start = 0, startLength = 0, more = 0, moreLength = 0;
        size_t heading = 0, headingLength = 0; // the escaped heading, which names the row's "more" button
        bool hasMore = false;
    };
    std::string text;
    std::vector<Row> rows;
};

// Tables already rendered with the current rule set, by the texts of their rows. The report shows the same
// tables at every refresh, and each refresh renders twice; a row's markup depends only on its texts and the
// rules (a pattern's time limit counts steps, not time), so a remembered table is the table. A table whose
// texts changed (a battery's readings) goes through the rules again. Bounded, the least recently used table
// going first (so a report larger than the bound loses one table per new one, not all at once), and
// forgotten when the rule set changes.
class TableMemo {
public:
    static constexpr size_t capacity = 4096;

    static TableMemo& shared()
    {
        static TableMemo memo;
        return memo;
    }

    static std::string keyOf(const QorvCSReportTable::Pairs& pairs)
    {
        size_t length = 0;
        for (const auto& pair : pairs) {
            const RowTexts row = textsOf(pair);
            length += row.presentationHeading.size() + row.presentationValue.size() + 5 * 12;
            length += (row.heading ? row.heading->size() : 0) + (row.provider ? row.provider->size() : 0)
                + (row.value ? row.value->size() : 0) + (row.sourceType ? row.sourceType->size() : 0);
        }
        std::string key;
        key.reserve(length);
        auto add = [&key](const std::optional<std::string_view>& text) {
            key.push_back(text ? '+' : '-');
            if (!text)
                return;
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, text->size()).ptr;
            key.append(digits, end).push_back(':');
            key.append(*text);
        };
        for (const auto& pair : pairs) {
            const RowTexts row = textsOf(pair);
            add(row.presentationHeading);
            add(row.heading);
            add(row.presentationValue);
            add(row.provider);
            add(row.value);
            add(row.sourceType);
        }
        return key;
    }

    std::shared_ptr<const RenderedRows> find(const std::vector<uint64_t>& signature, const std::string& key)
    {
        std::lock_guard lock(m_mutex);
        if (signature != m_signature)
            return nullptr;
        auto it = m_tables.find(key);
        if (it == m_tables.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second.place);
        return it->second.rows;
    }

    void remember(const std::vector<uint64_t>& signature, std::string key, std::shared_ptr<const RenderedRows> rows)
    {
        std::lock_guard lock(m_mutex);
        if (signature != m_signature) {
            m_tables.clear();
            m_order.clear();
            m_signature = signature;
        }
        if (auto it = m_tables.find(key); it != m_tables.end()) {
            it->second.rows = std::move(rows);
            m_order.splice(m_order.begin(), m_order, it->second.place);
            return;
        }
        if (m_tables.size() >= capacity) {
            const std::string victim = *m_order.back(); // not a reference into the node being erased
            m_order.pop_back();
            m_tables.erase(victim);
        }
        auto it = m_tables.emplace(std::move(key), Entry { std::move(rows), {} }).first;
        m_order.push_front(&it->first);
        it->second.place = m_order.begin();
    }

private:
    // Most recently used first; each names its table's key (node-based map: the key stays put).
    using Order = std::list<const std::string*>;
    struct Entry {
        std::shared_ptr<const RenderedRows> rows;
        Order::iterator place;
    };
    std::mutex m_mutex;
    std::vector<uint64_t> m_signature;
    std::unordered_map<std::string, Entry> m_tables;
    Order m_order;
};

// Passes one row through the rules and appends its markup.
void renderRow(const QorvCSReportTablePair& row, QorvCSReportCupelController& rules, RenderedRows& out)
{
    const qorv::Value::Dictionary result = rules.transform(QorvCSReportCupelController::recordForRow(row));

    const std::string* value = stringEntry(result, "presentation value");
    std::string valueHTML = value ? QorvCSHTMLReport::escapeString(*value) : std::string();
    if (auto acronym = result.find("acronym"); acronym != result.end()) {
        const qorv::Value* find = acronym->second.find("acronym");
        const qorv::Value* text = acronym->second.find("text");
        if (find && find->asString() && text && text->asString()) {
            const std::string escapedFind = QorvCSHTMLReport::escapeString(*find->asString());
            std::string markup = "<acronym title=\"";
            markup += QorvCSHTMLReport::escapeString(*text->asString());
            markup += "\">";
            markup += escapedFind;
            markup += "</acronym>";
            markEvery(valueHTML, escapedFind, markup);
        }
    }

    RenderedRows::Row rendered;
    rendered.start = out.text.size();
    out.text += "<tr><th>";
    rendered.heading = out.text.size();
    if (const std::string* heading = stringEntry(result, "presentation heading"))
        out.text += QorvCSHTMLReport::escapeString(*heading);
    rendered.headingLength = out.text.size() - rendered.heading;
    out.text += "</th><td>";
    out.text += valueHTML;
    rendered.startLength = out.text.size() - rendered.start;
    if (const std::string* more = stringEntry(result, "more")) {
        rendered.hasMore = true;
        rendered.more = out.text.size();
        out.text += QorvCSHTMLReport::escapeString(*more);
        rendered.moreLength = out.text.size() - rendered.more;
    }
    out.rows.push_back(rendered);
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
    if (!pairs->empty()) {
        // The rule set is made, and its files read, on the first row of the rendering.
        QorvCSReportCupelController& rules = *state.cupels();
        std::shared_ptr<const RenderedRows> rendered;
        std::string key;
        const bool remembers = QorvCSReportCupelController::cachesRules();
        if (remembers) {
            key = TableMemo::keyOf(*pairs);
            rendered = TableMemo::shared().find(rules.signature(), key);
        }
        if (!rendered) {
            auto rows = std::make_shared<RenderedRows>();
            for (const auto& pair : *pairs)
                renderRow(pair, rules, *rows);
            rendered = rows;
            if (remembers)
                TableMemo::shared().remember(rules.signature(), std::move(key), rendered);
        }

        html.reserve(html.size() + rendered->text.size() + rendered->rows.size() * 128);
        // The heading is escaped already; the format is the translator's, so it is escaped too.
        const std::string explainFormat
            = escapeString(qorv::Bundle::main().localizedString("QorvCSHTMLReport.ExplainFormat", "Explain %@"));
        for (const auto& row : rendered->rows) {
            state.incrementItemIndex();
            html.append(rendered->text, row.start, row.startLength);
            if (row.hasMore) {
                // A real button: Tab reaches it, and a screen reader says what it explains and whether it is open.
                const std::string index = std::to_string(state.itemIndex());
                html += " <button type=\"button\" aria-expanded=\"false\" aria-controls=\"more";
                html += index;
                html += "\" aria-label=\"";
                html += qorv::format(
                    explainFormat, std::string_view(rendered->text).substr(row.heading, row.headingLength));
                html += "\" onclick=\"$('#more";
                html += index;
                html += "').toggle('slow', this);\">+</button><p class=\"more\" id=\"more";
                html += index;
                html += "\">";
                html.append(rendered->text, row.more, row.moreLength);
                html += "</p>";
            }
            html += "</td></tr>";
        }
    }
    html += "</table>";
    return html;
}
