#include "QorvCSReportCupelSelection.h"

#include <bit>

QorvCSReportCupelSelection::QorvCSReportCupelSelection(std::vector<std::shared_ptr<const QorvCSReportCupelRule>> rules)
    : m_rules(std::move(rules))
{
    const size_t words = (m_rules.size() + 63) / 64;
    auto mark = [&](Bits& bits, size_t index) {
        bits.resize(words);
        bits[index / 64] |= uint64_t(1) << (index % 64);
    };
    for (size_t index = 0; index < m_rules.size(); ++index) {
        const auto& rule = *m_rules[index];
        if (!rule.canApply())
            continue;
        if (!rule.filter().empty()) {
            const auto& [key, text] = rule.filter().front();
            mark(m_entries[key].byText[text], index);
        } else if (rule.pattern().matchesWholeTextsOnly()) {
            auto& entry = m_entries[rule.matchKey()];
            for (const auto& text : rule.pattern().wholeTexts())
                mark(entry.byText[text], index);
        } else {
            mark(m_entries[rule.matchKey()].any, index);
        }
    }
    m_written.resize(m_rules.size());
    for (size_t index = 0; index < m_rules.size(); ++index)
        for (auto& key : m_rules[index]->writtenKeys())
            if (auto it = m_entries.find(key); it != m_entries.end())
                m_written[index].emplace_back(std::move(key), &it->second);
}

void QorvCSReportCupelSelection::bringIn(
    const Entry& entry, const qorv::Value& value, Bits& candidates, size_t first) const
{
    auto add = [&](const Bits& bits) {
        for (size_t word = first / 64; word < bits.size(); ++word) {
            uint64_t added = bits[word];
            if (word == first / 64)
                added &= ~uint64_t(0) << (first % 64);
            candidates[word] |= added;
        }
    };
    add(entry.any);
    const std::string* text = value.asString();
    if (!text || entry.byText.empty())
        return;
    if (auto it = entry.byText.find(*text); it != entry.byText.end())
        add(it->second);
    // A whole-text pattern also matches its text followed by a line terminator.
    const std::string_view shorter = QorvCSReportCupelPattern::withoutFinalLineTerminator(*text);
    if (shorter.size() != text->size())
        if (auto it = entry.byText.find(shorter); it != entry.byText.end())
            add(it->second);
}

void QorvCSReportCupelSelection::apply(qorv::Value::Dictionary& record) const
{
    Bits candidates((m_rules.size() + 63) / 64);
    QorvCSReportCupelRule::Lookup lookup;
    for (const auto& [key, value] : record)
        if (auto it = m_entries.find(key); it != m_entries.end())
            bringIn(it->second, value, candidates, 0);
    for (size_t word = 0; word < candidates.size(); ++word) {
        while (candidates[word] != 0) {
            const size_t index = word * 64 + size_t(std::countr_zero(candidates[word]));
            candidates[word] &= candidates[word] - 1;
            m_rules[index]->apply(record, &lookup);
            for (const auto& [key, entry] : m_written[index])
                if (auto it = record.find(key); it != record.end())
                    bringIn(*entry, it->second, candidates, index + 1);
        }
    }
}
