#pragma once

#include "QorvCSReportCupelRule.h"

#include "foundation/Value.h"

#include <memory>
#include <string_view>

// One value-annotation rule, read from a rule file: a filter on record entries, a regular expression (ICU syntax,
// no flags) matched in one entry whose groups are bound to capture names, and templates filled from those captures.
//
//   filter   {record key: exact text, ...}                      optional; every entry must hold
//   match    {key, regex, captures: [name for group 1, ...]}    the subject and the pattern
//   replace  {format, key}                                      the filled format, stored under key (or match key)
//   acronym  {find, text}                                       filled like format, stored under "acronym"
class QorvCSReportCupel {
public:
    // A null rule fails "Invalid parameter not satisfying: someFields".
    explicit QorvCSReportCupel(qorv::Value someFields);
    // A cupel over an already compiled rule (the rule set shares one per rule file).
    QorvCSReportCupel(qorv::Value someFields, std::shared_ptr<const QorvCSReportCupelRule> rule);
    virtual ~QorvCSReportCupel() = default;

    static std::shared_ptr<QorvCSReportCupel> cupelWithFields(qorv::Value someFields)
    {
        return std::make_shared<QorvCSReportCupel>(std::move(someFields));
    }
    virtual std::string_view className() const { return "QorvCSReportCupel"; }

    // Applies the rule to the record in place. True when the rule matched and stored its filled "format"; false
    // otherwise, also when it stored only an acronym. Fails "Missing captures" when the rule names more captures
    // than its pattern has groups, and matches.
    bool transform(qorv::Value::Dictionary& record) const;

    const qorv::Value& fields() const { return m_fields; }
    void setFields(qorv::Value fields);

    const std::shared_ptr<const QorvCSReportCupelRule>& rule() const { return m_rule; }

private:
    qorv::Value m_fields;
    std::shared_ptr<const QorvCSReportCupelRule> m_rule;
};
