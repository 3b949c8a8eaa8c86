#pragma once

#include "QorvCSReportCupelRule.h"

#include "foundation/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Applies a rule set to a record the way applying every rule in turn does, but runs only the rules that can apply
// to it. A rule with a filter can apply only while the record holds the filter's first entry; one whose pattern
// matches only whole texts from a list, only while its match key holds one of them; any other, only while its
// match key is there. Records are read by these entries before the first rule, and again for each entry a rule
// may have written, for the rules after it.
class QorvCSReportCupelSelection {
public:
    explicit QorvCSReportCupelSelection(std::vector<std::shared_ptr<const QorvCSReportCupelRule>> rules);

    void apply(qorv::Value::Dictionary& record) const;

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    using Bits = std::vector<uint64_t>; // one bit per rule, in order
    // The rules a record key brings in: whatever it holds, or only while it holds a given text.
    struct Entry {
        Bits any;
        std::unordered_map<std::string, Bits, Hash, std::equal_to<>> byText;
    };

    // Adds to candidates the rules from the first one on that the key's value brings in.
    void bringIn(const Entry& entry, const qorv::Value& value, Bits& candidates, size_t first) const;

    std::vector<std::shared_ptr<const QorvCSReportCupelRule>> m_rules;
    std::unordered_map<std::string, Entry, Hash, std::equal_to<>> m_entries;
    std::vector<std::vector<std::pair<std::string, const Entry*>>> m_written; // per rule: keys it may write
};
