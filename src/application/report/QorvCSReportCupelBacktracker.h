#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Answers a rule's search without ICU where that is certain to give ICU's answer: for patterns made only of plain
// ASCII characters, "\d", simple sets, ".", "^", "$", groups, choices and quantifiers of pieces that cannot match
// nothing, over subjects that are plain ASCII. It backtracks in ICU's order (leftmost start, choices left to right,
// greedy or lazy repeats), so the first match and its groups are ICU's. Anything else is left to ICU.
class QorvCSReportCupelBacktracker {
public:
    // Group 0 is the whole match; a group that took no part is empty.
    using Groups = std::vector<std::string>;
    enum class Outcome { Matched, NoMatch, Unknown };

    // Null when the pattern uses anything it does not know.
    static std::unique_ptr<QorvCSReportCupelBacktracker> make(std::string_view pattern);
    ~QorvCSReportCupelBacktracker();

    // Unknown when the subject is not plain ASCII or the search takes too many steps; ICU then decides.
    Outcome firstMatch(std::string_view subject, Groups& groups) const;

    struct Node;
    using Sequence = std::vector<Node>;

private:
    QorvCSReportCupelBacktracker() = default;
    Sequence m_whole; // the pattern as one group, group 0
    size_t m_groupCount = 0;
    bool m_anchored = false; // every choice starts with "^": only the subject's start is tried
};
