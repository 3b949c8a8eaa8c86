#include "QorvCSReportTableChanges.h"

#include <iterator>

namespace {

struct Span {
    size_t start, end;
};

// The elements an update may replace in place: the tables and the figures (the history charts). Our own output
// never nests one of them in another.
struct Tag {
    std::string_view opening, closing;
};
constexpr Tag replaceable[] = { { "<table", "</table>" }, { "<figure", "</figure>" } };
constexpr size_t tagCount = std::size(replaceable);

// Finds the tags' openings and closings in one document. Each search remembers what it found, so walking the
// document from front to back reads it about once per tag, however many elements it holds.
class TagFinder {
public:
    explicit TagFinder(std::string_view html)
        : m_html(html)
    { }

    size_t opening(size_t tag, size_t from)
    {
        auto& found = m_openings[tag];
        if (found.from <= from && (found.at >= from || found.at == std::string_view::npos))
            return found.at;
        const std::string_view text = replaceable[tag].opening;
        size_t at = m_html.find(text, from);
        while (at != std::string_view::npos && at + text.size() < m_html.size() && m_html[at + text.size()] != ' '
            && m_html[at + text.size()] != '>')
            at = m_html.find(text, at + 1); // "<tablet>" is not a table
        found = { from, at };
        return at;
    }

    size_t closing(size_t tag, size_t from)
    {
        auto& found = m_closings[tag];
        if (found.from <= from && (found.at >= from || found.at == std::string_view::npos))
            return found.at;
        found = { from, m_html.find(replaceable[tag].closing, from) };
        return found.at;
    }

private:
    struct Found {
        size_t from = std::string_view::npos, at = 0; // nothing searched yet
    };
    std::string_view m_html;
    Found m_openings[tagCount], m_closings[tagCount];
};

// The replaceable elements of a document as [start, end) ranges, in document order, or nullopt when they nest or
// do not close.
std::optional<std::vector<Span>> elementsOf(std::string_view html)
{
    std::vector<Span> elements;
    TagFinder finder(html);
    size_t from = 0;
    for (;;) {
        size_t start = std::string_view::npos, tag = 0;
        for (size_t t = 0; t < tagCount; ++t)
            if (const size_t at = finder.opening(t, from); at < start)
                start = at, tag = t;
        for (size_t t = 0; t < tagCount; ++t)
            if (finder.closing(t, from) < start)
                return std::nullopt; // a closing without its opening
        if (start == std::string_view::npos)
            return elements;
        const size_t close = finder.closing(tag, start);
        if (close == std::string_view::npos)
            return std::nullopt;
        for (size_t t = 0; t < tagCount; ++t)
            if (finder.opening(t, start + 1) < close)
                return std::nullopt; // nested
        const size_t end = close + replaceable[tag].closing.size();
        elements.push_back({ start, end });
        from = end;
    }
}

} // namespace

std::optional<QorvCSReportTableChanges> QorvCSReportTableChanges::between(std::string_view shown, std::string_view next)
{
    const auto before = elementsOf(shown);
    const auto after = elementsOf(next);
    if (!before || !after || before->size() != after->size())
        return std::nullopt;
    QorvCSReportTableChanges changes;
    changes.tableCount = after->size();
    size_t shownFrom = 0, nextFrom = 0;
    for (size_t index = 0; index <= after->size(); ++index) {
        const bool last = index == after->size();
        const size_t shownTo = last ? shown.size() : (*before)[index].start;
        const size_t nextTo = last ? next.size() : (*after)[index].start;
        if (shown.substr(shownFrom, shownTo - shownFrom) != next.substr(nextFrom, nextTo - nextFrom))
            return std::nullopt; // the page around the replaceable elements changed
        if (last)
            break;
        const auto shownElement = shown.substr((*before)[index].start, (*before)[index].end - (*before)[index].start);
        const auto nextElement = next.substr((*after)[index].start, (*after)[index].end - (*after)[index].start);
        if (shownElement != nextElement)
            changes.replacements.push_back({ index, std::string(nextElement) });
        shownFrom = (*before)[index].end;
        nextFrom = (*after)[index].end;
    }
    return changes;
}
