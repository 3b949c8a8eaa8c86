// QorvCSHTMLReport: table markup, each row passed through the rendering's rule set.
#include "QorvCSHTMLReport.h"
#include "QorvCSReportCupelController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <cstring>
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

    void append(const RenderedRows& other)
    {
        const size_t shift = text.size();
        text += other.text;
        for (Row row : other.rows) {
            row.start += shift;
            row.more += shift;
            row.heading += shift;
            rows.push_back(row);
        }
    }
};

// A memo key: a text and its hash, worked out once for all the look-ups of a rendering.
struct MemoKey {
    std::string_view text;
    size_t hash;
};

// Rendered rows remembered by the texts they were made from, for one rule set at a time. A row's markup depends
// only on its texts and the rules (a pattern's time limit counts steps, not time), so remembered markup is the
// markup. Bounded, the least recently used entry going first (so a report larger than the bound loses one entry
// per new one, not all at once), and forgotten when the rule set changes.
class RenderedMemo {
public:
    explicit RenderedMemo(size_t capacity)
        : m_capacity(capacity)
    { }

    // The generation of the memo for this rule set, which find and remember are then given: comparing the rule
    // set once per table is enough.
    uint64_t generationFor(const std::vector<uint64_t>& signature)
    {
        std::lock_guard lock(m_mutex);
        if (signature != m_signature) {
            m_entries.clear();
            m_order.clear();
            m_signature = signature;
            ++m_generation;
        }
        return m_generation;
    }

    std::shared_ptr<const RenderedRows> find(uint64_t generation, MemoKey key)
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation)
            return nullptr;
        auto it = m_entries.find(key);
        if (it == m_entries.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second.place);
        return it->second.rows;
    }

    void remember(uint64_t generation, MemoKey key, std::shared_ptr<const RenderedRows> rows)
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation)
            return; // made with rules that another rendering has replaced since
        if (auto it = m_entries.find(key); it != m_entries.end()) {
            it->second.rows = std::move(rows);
            m_order.splice(m_order.begin(), m_order, it->second.place);
            return;
        }
        if (m_entries.size() >= m_capacity) {
            m_entries.erase(m_entries.find(m_order.back()));
            m_order.pop_back();
        }
        auto it = m_entries.emplace(StoredKey { std::string(key.text), key.hash }, Entry { std::move(rows), {} }).first;
        m_order.push_front(MemoKey { it->first.text, it->first.hash });
        it->second.place = m_order.begin();
    }

private:
    struct StoredKey {
        std::string text;
        size_t hash;
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(const StoredKey& key) const { return key.hash; }
        size_t operator()(const MemoKey& key) const { return key.hash; }
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(const StoredKey& a, const StoredKey& b) const { return a.text == b.text; }
        bool operator()(const MemoKey& a, const StoredKey& b) const { return a.text == b.text; }
        bool operator()(const StoredKey& a, const MemoKey& b) const { return a.text == b.text; }
    };
    // Most recently used first; each views its entry's key (node-based map: the key stays put).
    using Order = std::list<MemoKey>;
    struct Entry {
        std::shared_ptr<const RenderedRows> rows;
        Order::iterator place;
    };
    const size_t m_capacity;
    std::mutex m_mutex;
    std::vector<uint64_t> m_signature;
    uint64_t m_generation = 0;
    std::unordered_map<StoredKey, Entry, Hash, Equal> m_entries;
    Order m_order;
};

// Whole tables: the report shows the same tables at every refresh, and each refresh renders twice.
RenderedMemo& tableMemo()
{
    static RenderedMemo memo(4096);
    return memo;
}

// Single rows: a table whose texts changed (a battery's readings) mostly keeps its other rows, and reports repeat
// rows from one table to the next.
RenderedMemo& rowMemo()
{
    static RenderedMemo memo(4096);
    return memo;
}

// The texts of a table's rows that its markup can depend on, each row's a stretch of one text: the shown heading
// and value, which the markup is made from, and the other texts of the record only where a rule reads them (the
// provider seldom is, and tables from different providers then share their rows).
class RowKeys {
public:
    RowKeys(const QorvCSReportTable::Pairs& pairs, QorvCSReportCupelController& rules)
    {
        const bool heading = rules.readsKey("heading");
        const bool provider = rules.readsKey("provider");
        const bool value = rules.readsKey("value");
        const bool sourceType = rules.readsKey("source type");
        size_t length = 0;
        for (const auto& pair : pairs)
            length += pair.heading->title().size() + pair.value->label().size() + 5 * (1 + sizeof(size_t))
                + (heading && pair.heading->raw() ? pair.heading->raw()->size() : 0)
                + (provider && pair.value->provider() ? pair.value->provider()->size() : 0)
                + (value && pair.value->raw() ? pair.value->raw()->size() : 0)
                + (sourceType && pair.value->sourceType() ? pair.value->sourceType()->size() : 0);
        m_text.reserve(length);
        m_rows.reserve(pairs.size());
        // The table's hash is made from its rows' rather than from the whole text again.
        m_hash = pairs.size();
        for (const auto& pair : pairs) {
            const size_t start = m_text.size();
            add(std::string_view(pair.heading->title()));
            if (heading)
                add(pair.heading->raw());
            add(std::string_view(pair.value->label()));
            if (provider)
                add(pair.value->provider());
            if (value)
                add(pair.value->raw());
            if (sourceType)
                add(pair.value->sourceType());
            const std::string_view row = std::string_view(m_text).substr(start);
            m_rows.push_back({ start, row.size(), std::hash<std::string_view> {}(row) });
            m_hash ^= m_rows.back().hash + 0x9e3779b97f4a7c15 + (m_hash << 6) + (m_hash >> 2);
        }
    }

    MemoKey table() const { return { m_text, m_hash }; }
    MemoKey row(size_t index) const
    {
        const Row& row = m_rows[index];
        return { std::string_view(m_text).substr(row.start, row.length), row.hash };
    }

private:
    // Present or absent, then length and text, so that no two lists of texts give the same key.
    void add(std::optional<std::string_view> text)
    {
        if (text)
            add(std::string_view(*text));
        else
            m_text.push_back('-');
    }
    void add(std::string_view text)
    {
        const size_t at = m_text.size(), size = text.size();
        m_text.resize(at + 1 + sizeof size + size);
        char* out = m_text.data() + at;
        *out = '+';
        std::memcpy(out + 1, &size, sizeof size);
        std::memcpy(out + 1 + sizeof size, text.data(), size);
    }

    struct Row {
        size_t start, length, hash;
    };
    std::string m_text;
    std::vector<Row> m_rows;
    size_t m_hash = 0;
};

// Passes one row through the rules and appends its markup.
void renderRow(const QorvCSReportTablePair& row, QorvCSReportCupelController& rules, RenderedRows& out)
{
    const qorv::Value::Dictionary result = rules.transform(QorvCSReportCupelController::recordForRow(row));

    std::string valueHTML;
    if (const std::string* value = stringEntry(result, "presentation value"))
        QorvCSHTMLReport::appendEscaped(valueHTML, *value);
    if (auto acronym = result.find("acronym"); acronym != result.end()) {
        const qorv::Value* find = acronym->second.find("acronym");
        const qorv::Value* text = acronym->second.find("text");
        if (find && find->asString() && text && text->asString()) {
            const std::string escapedFind = QorvCSHTMLReport::escapeString(*find->asString());
            std::string markup = "<acronym title=\"";
            QorvCSHTMLReport::appendEscaped(markup, *text->asString());
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
        QorvCSHTMLReport::appendEscaped(out.text, *heading);
    rendered.headingLength = out.text.size() - rendered.heading;
    out.text += "</th><td>";
    out.text += valueHTML;
    rendered.startLength = out.text.size() - rendered.start;
    if (const std::string* more = stringEntry(result, "more")) {
        rendered.hasMore = true;
        rendered.more = out.text.size();
        QorvCSHTMLReport::appendEscaped(out.text, *more);
        rendered.moreLength = out.text.size() - rendered.more;
    }
    out.rows.push_back(rendered);
}

// The table's rows as remembered, else made from remembered rows and rows passed through the rules.
std::shared_ptr<const RenderedRows> rememberedRows(
    const QorvCSReportTable::Pairs& pairs, QorvCSReportCupelController& rules)
{
    const RowKeys keys(pairs, rules);
    const std::vector<uint64_t>& signature = rules.signature();
    RenderedMemo& tables = tableMemo();
    const uint64_t tableGeneration = tables.generationFor(signature);
    if (auto table = tables.find(tableGeneration, keys.table()))
        return table;

    RenderedMemo& rows = rowMemo();
    const uint64_t rowGeneration = rows.generationFor(signature);
    std::vector<std::shared_ptr<const RenderedRows>> found(pairs.size());
    size_t length = 0;
    for (size_t index = 0; index < pairs.size(); ++index) {
        const MemoKey key = keys.row(index);
        found[index] = rows.find(rowGeneration, key);
        if (!found[index]) {
            auto made = std::make_shared<RenderedRows>();
            renderRow(pairs[index], rules, *made);
            rows.remember(rowGeneration, key, made);
            found[index] = std::move(made);
        }
        length += found[index]->text.size();
    }
    auto rendered = std::make_shared<RenderedRows>();
    rendered->text.reserve(length);
    rendered->rows.reserve(pairs.size());
    for (const auto& row : found)
        rendered->append(*row);
    tables.remember(tableGeneration, keys.table(), rendered);
    return rendered;
}

} // namespace

// The rows each table of the shared items was rendered to, with the list they were made from and the rules'
// generation. Holding the list keeps its place from being taken by another and makes a table that gains rows
// append to a copy.
struct QorvCSHTMLReport::RenderedTables {
    struct Entry {
        std::shared_ptr<const QorvCSReportTable::Pairs> pairs;
        uint64_t generation;
        std::shared_ptr<const RenderedRows> rows;
    };
    std::unordered_map<const QorvCSReportTable*, Entry> entries;
    // The rule set a rendering made, which the next rendering by the other report takes once: the rule folder is
    // listed and read once for the two documents of one rendering, and anew for the next pair.
    std::shared_ptr<QorvCSReportCupelController> rules;
    const QorvCSHTMLReport* rulesMadeBy = nullptr;

    std::shared_ptr<const RenderedRows> find(const QorvCSReportTable& table,
        const std::shared_ptr<const QorvCSReportTable::Pairs>& pairs, uint64_t generation) const
    {
        const auto it = entries.find(&table);
        if (it == entries.end() || it->second.pairs != pairs || it->second.generation != generation)
            return nullptr;
        return it->second.rows;
    }
};

void QorvCSHTMLReport::shareRenderedRowsWith(QorvCSHTMLReport& other)
{
    if (!other.m_renderedTables)
        other.m_renderedTables = std::make_shared<RenderedTables>();
    m_renderedTables = other.m_renderedTables;
}

std::string QorvCSHTMLReport::htmlForReportTable(const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    std::string html;
    appendTable(html, item, state);
    return html;
}

void QorvCSHTMLReport::appendTable(std::string& html, const QorvCSReportItem& item, QorvCSHTMLReportState& state)
{
    const auto* table = dynamic_cast<const QorvCSReportTable*>(&item);
    QorvAssert(table != nullptr, "%@ cannot render %@ as a table", className(), item.className());

    const bool alone = html.empty();
    html += "<table summary=\"";
    appendEscaped(html, table->summary());
    html += "\"><caption>";
    appendEscaped(html, table->caption());
    html += "</caption>";

    const auto pairs = table->headingValuePairs();
    if (!pairs->empty()) {
        // The rule set is made, and its files read, on the first row of the rendering.
        if (m_renderedTables && QorvCSReportCupelController::cachesRules() && !state.hasCupels()) {
            auto& shared = *m_renderedTables;
            if (shared.rules && shared.rulesMadeBy != this) {
                state.setCupels(std::move(shared.rules));
                shared.rules.reset();
            } else {
                shared.rules = state.cupels();
                shared.rulesMadeBy = this;
            }
        }
        QorvCSReportCupelController& rules = *state.cupels();
        std::shared_ptr<const RenderedRows> rendered;
        if (QorvCSReportCupelController::cachesRules()) {
            const uint64_t generation = m_renderedTables ? tableMemo().generationFor(rules.signature()) : 0;
            if (m_renderedTables)
                rendered = m_renderedTables->find(*table, pairs, generation);
            if (!rendered) {
                rendered = rememberedRows(*pairs, rules);
                if (m_renderedTables)
                    m_renderedTables->entries[table] = { pairs, generation, rendered };
            }
        } else {
            auto rows = std::make_shared<RenderedRows>();
            for (const auto& pair : *pairs)
                renderRow(pair, rules, *rows);
            rendered = std::move(rows);
        }

        // A document being written has its room already, and grows as strings do.
        if (alone)
            html.reserve(html.size() + rendered->text.size() + rendered->rows.size() * 128);
        // The heading is escaped already; the format is the translator's, so it is escaped too.
        const std::string explainFormat
            = escapeString(qorv::Bundle::main().localizedString("QorvCSHTMLReport.ExplainFormat", "Explain %@"));
        // Mostly one "%@" and no other conversion: then the heading goes between the two halves.
        const size_t explainAt = explainFormat.find("%@");
        const bool explainSplits = explainAt != std::string::npos
            && explainFormat.find('%', explainAt + 2) == std::string::npos && explainFormat.find('%') == explainAt;
        for (const auto& row : rendered->rows) {
            state.incrementItemIndex();
            html.append(rendered->text, row.start, row.startLength);
            if (row.hasMore) {
                // A real button: Tab reaches it, and a screen reader says what it explains and whether it is open.
                const std::string index = std::to_string(state.itemIndex());
                html += " <button type=\"button\" aria-expanded=\"false\" aria-controls=\"more";
                html += index;
                html += "\" aria-label=\"";
                const std::string_view heading
                    = std::string_view(rendered->text).substr(row.heading, row.headingLength);
                if (explainSplits)
                    html.append(explainFormat, 0, explainAt).append(heading).append(explainFormat, explainAt + 2);
                else
                    html += qorv::format(explainFormat, heading);
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
}
