#include "QorvCSReportTableChanges.h"

namespace {

struct Span {
    size_t start, end;
};

// The table elements of a document as [start, end) ranges, or nullopt when they nest or do not close.
std::optional<std::vector<Span>> tablesOf(std::string_view html)
{
    static constexpr std::string_view opening = "<table", closing = "</table>";
    std::vector<Span> tables;
    size_t from = 0;
    for (;;) {
        size_t start = html.find(opening, from);
        while (start != std::string_view::npos && start + opening.size() < html.size()
            && html[start + opening.size()] != ' ' && html[start + opening.size()] != '>')
            start = html.find(opening, start + 1); // "<tablet>" is not a table
        const size_t close = html.find(closing, from);
        if (start == std::string_view::npos)
            return close == std::string_view::npos ? std::optional(tables) : std::nullopt;
        if (close == std::string_view::npos || close < start)
            return std::nullopt;
        // A nested table leaves its outer one's end before the next opening (or after the last): refused above.
        const size_t end = close + closing.size();
        tables.push_back({ start, end });
        from = end;
    }
}

} // namespace

std::optional<QorvCSReportTableChanges> QorvCSReportTableChanges::between(std::string_view shown, std::string_view next)
{
    const auto before = tablesOf(shown);
    const auto after = tablesOf(next);
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
            return std::nullopt; // the page around the tables changed
        if (last)
            break;
        const auto shownTable = shown.substr((*before)[index].start, (*before)[index].end - (*before)[index].start);
        const auto nextTable = next.substr((*after)[index].start, (*after)[index].end - (*after)[index].start);
        if (shownTable != nextTable)
            changes.replacements.push_back({ index, std::string(nextTable) });
        shownFrom = (*before)[index].end;
        nextFrom = (*after)[index].end;
    }
    return changes;
}
