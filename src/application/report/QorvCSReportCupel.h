#pragma once

#include "foundation/Value.h"

#include <memory>
#include <string_view>

// One value-annotation rule, read from a rule file: a filter on record entries, a regular expression matched in
// one entry whose groups are bound to capture names, and templates filled from those captures.
class QorvCSReportCupel {
public:
    explicit QorvCSReportCupel(qorv::Value someFields);
    virtual ~QorvCSReportCupel() = default;

    static std::shared_ptr<QorvCSReportCupel> cupelWithFields(qorv::Value someFields)
    {
        return std::make_shared<QorvCSReportCupel>(std::move(someFields));
    }
    virtual std::string_view className() const { return "QorvCSReportCupel"; }

    // Applies the rule to the record in place. True when the rule matched and stored its filled "format".
    bool transform(qorv::Value::Dictionary& record) const;

    const qorv::Value& fields() const { return m_fields; }
    void setFields(qorv::Value fields) { m_fields = std::move(fields); }

    // ICU's time limit for one match, in its steps of about a millisecond: a pattern that backtracks without end
    // must not freeze the window. A rule that runs out of time counts as not matching.
    static constexpr int matchTimeLimit = 200;

private:
    qorv::Value m_fields;
};
