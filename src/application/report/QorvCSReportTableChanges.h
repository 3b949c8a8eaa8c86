#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a newer rendering of the report differs from the one shown, when it differs only inside tables (a reading,
// a row more or less): the tables to replace, by their place among the document's tables. A document that differs
// anywhere else (a section added or gone, a title, the page around the tables) has no such description and is
// loaded whole.
class QorvCSReportTableChanges {
public:
    struct Replacement {
        size_t index; // among the document's tables, in document order
        std::string html; // the whole new table element
        bool operator==(const Replacement&) const = default;
    };

    static std::optional<QorvCSReportTableChanges> between(std::string_view shown, std::string_view next);

    std::vector<Replacement> replacements; // empty when the documents are the same
    size_t tableCount = 0; // in both documents
};
