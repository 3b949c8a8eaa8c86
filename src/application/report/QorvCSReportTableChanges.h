#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a newer rendering of the report differs from the one shown, when it differs only inside the elements an
// update may replace (the tables, with a reading or a row more or less, and the figures, the history charts drawn
// against the current time): the elements to replace, by their place among the document's replaceable elements. A
// document that differs anywhere else (a section or chart added or gone, a title, the page around them) has no such
// description and is loaded whole.
class QorvCSReportTableChanges {
public:
    struct Replacement {
        size_t index; // among the document's tables and figures, in document order
        std::string html; // the whole new element
        bool operator==(const Replacement&) const = default;
    };

    static std::optional<QorvCSReportTableChanges> between(std::string_view shown, std::string_view next);

    std::vector<Replacement> replacements; // empty when the documents are the same
    size_t tableCount = 0; // tables and figures, in both documents
};
