#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// What a rule's regular expression (ICU syntax, no flags) can match, read from its text without running it: the
// bytes a match can start with, whether it must start at the subject's start, and, for a pattern that matches only
// whole texts from a short list, that list. Conservative throughout: a construct it does not know leaves the
// pattern unconstrained, so a subject it turns down can never match, and the expensive search is run only on the
// rest.
class QorvCSReportCupelPattern {
public:
    explicit QorvCSReportCupelPattern(std::string_view regex);

    // False only when the pattern cannot match anywhere in subject.
    bool mayMatch(std::string_view subject) const;

    // True when the pattern matches only the texts of wholeTexts(), each alone or followed by one line terminator
    // (as "$" allows).
    bool matchesWholeTextsOnly() const { return m_wholeTextsOnly; }
    const std::set<std::string, std::less<>>& wholeTexts() const { return m_wholeTexts; }

    // True when the pattern is only start anchors, or nothing: it matches the empty text at every subject's start.
    bool matchesEmptyAtStart() const { return m_emptyAtStart; }

    // The subject without one final line terminator, or the subject itself when it does not end in one.
    static std::string_view withoutFinalLineTerminator(std::string_view subject);

private:
    bool m_constrained = false; // false: anything may match
    bool m_anchored = false; // a match starts at the subject's first byte
    std::bitset<256> m_firstBytes; // the bytes a match can start with
    std::string m_required; // text every match contains, the longest run of plain characters outside any choice
    bool holdsOneOf(std::string_view subject) const;
    std::vector<std::string> m_holdsOneOf; // texts one of which a subject must hold to match (by first byte), or none
    std::array<uint16_t, 257> m_holdsFrom {}; // where the texts of each first byte start in m_holdsOneOf
    bool m_emptyAtStart = false;
    bool m_wholeTextsOnly = false;
    std::set<std::string, std::less<>> m_wholeTexts;
};
