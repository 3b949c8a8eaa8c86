#pragma once

#include "QorvCSReportCupelBacktracker.h"
#include "QorvCSReportCupelPattern.h"

#include "foundation/Value.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
class RegexMatcher;
U_NAMESPACE_END

// A cupel's rule dictionary read once into the pieces that applying it needs, with its expression compiled.
// Immutable once made, so one rule may serve every cupel made from the same rule file and be applied to distinct
// records from several threads at once.
class QorvCSReportCupelRule {
public:
    // How the expression is compiled: once here (Compiled), or anew at every application (Literal, the
    // straightforward way, kept to measure against and to check that both give the same results).
    enum class Compilation { Compiled, Literal };

    // source names the rule in log lines (its file, or nothing for a rule made in code).
    QorvCSReportCupelRule(const qorv::Value& fields, std::string source, Compilation compilation);
    ~QorvCSReportCupelRule();
    QorvCSReportCupelRule(const QorvCSReportCupelRule&) = delete;
    QorvCSReportCupelRule& operator=(const QorvCSReportCupelRule&) = delete;

    // The record's entries found so far while rules apply to it one after another. Rules only add and replace
    // entries, so an entry once found stays where it is; most rules read the same few keys.
    class Lookup {
    public:
        qorv::Value::Dictionary::iterator find(qorv::Value::Dictionary& record, const std::string& key);

    private:
        std::array<qorv::Value::Dictionary::iterator, 8> m_found {};
        size_t m_count = 0;
    };

    // Applies the rule to the record in place; see QorvCSReportCupel::transform. lookup, when given, is used for
    // this record alone, by rules that never remove entries.
    bool apply(qorv::Value::Dictionary& record, Lookup* lookup = nullptr) const;

    // Unique for the life of the process: identifies the rule in caches that outlive it.
    uint64_t serial() const { return m_serial; }
    // The rule file, or empty for a rule made in code.
    const std::string& source() const { return m_source; }

    // What choosing the rules that can apply to a record needs (see QorvCSReportCupelSelection). A rule that
    // cannot apply has no match key or pattern, or a filter no record passes.
    bool canApply() const { return m_matchKey && m_regex && !m_filterUnsatisfiable; }
    const std::string& matchKey() const { return *m_matchKey; }
    // The filter as (record key, required text), in key order.
    const std::vector<std::pair<std::string, std::string>>& filter() const { return m_filter; }
    const QorvCSReportCupelPattern& pattern() const { return *m_shape; }
    // The record keys an application may write.
    std::vector<std::string> writtenKeys() const;

    // ICU's limit for one search, in its ticks of 10,000 steps (about 0.2 ms each here). A pattern that
    // backtracks without end stops there and counts as not matching, so it cannot freeze the window.
    static constexpr int matchTimeLimit = 100;

private:
    using Captures = std::vector<std::pair<std::string, std::string>>;

    bool passesFilter(qorv::Value::Dictionary& record, Lookup* lookup) const;
    // The texts of the capture groups of the first match, or nullopt when there is none.
    std::optional<std::vector<std::string>> firstMatch(const std::string& subject) const;
    // The template with each capture name replaced by its text, cut (and logged once) when it grows too large.
    std::string fill(std::string templateText, const Captures& captures, size_t subjectSize) const;
    void malformed(const std::string& reason) const;

    uint64_t m_serial;
    std::string m_source;

    // The filter as (record key, required text); unsatisfiable when it is not a dictionary of strings.
    std::vector<std::pair<std::string, std::string>> m_filter;
    bool m_filterUnsatisfiable = false;

    std::optional<std::string> m_matchKey;
    std::optional<std::string> m_regex;
    std::unique_ptr<icu::RegexPattern> m_pattern; // null when the pattern does not compile or is compiled late
    std::optional<QorvCSReportCupelPattern> m_shape; // what the pattern can match, to skip hopeless searches
    std::unique_ptr<QorvCSReportCupelBacktracker> m_backtracker; // searches simple patterns without ICU, or null
    Compilation m_compilation;

    std::vector<std::optional<std::string>> m_captureNames; // nullopt for an entry that is not a string

    std::optional<std::string> m_format;
    std::optional<std::string> m_replaceKey;
    std::optional<std::pair<std::string, std::string>> m_acronym; // "find", "text"

    // The templates as translated for the main bundle's texts of one generation: looked up once, not per record.
    struct Translations {
        uint64_t generation = 0;
        std::string format, find, text;
    };
    // A copy of the templates translated for the current texts.
    Translations translations() const;
    mutable std::mutex m_translationsMutex;
    mutable Translations m_translations;

    using Groups = std::optional<std::vector<std::string>>;
    Groups search(const icu::RegexPattern& pattern, icu::RegexMatcher* reusable, const std::string& subject) const;

    // One matcher kept for reuse (making one costs as much as a search), and the outcome of each short subject
    // searched so far: rows repeat their keys, and a search depends only on the pattern and the subject (the
    // time limit counts steps), so a subject is searched once, and one that ran out of time is not searched
    // again. A thread that finds them busy searches on its own.
    mutable std::mutex m_matcherMutex;
    mutable std::unique_ptr<icu::RegexMatcher> m_matcher;
    mutable std::unordered_map<std::string, Groups> m_outcomes;
    mutable size_t m_outcomesBytes = 0;
};
