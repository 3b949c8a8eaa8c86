#include "QorvCSReportCupel.h"

#include "foundation/Assert.h"

QorvCSReportCupel::QorvCSReportCupel(qorv::Value someFields)
{
    // A rule file whose top level is not a dictionary reads as nothing, as with the platform's reader.
    QorvAssert(someFields.isDictionary(), "Invalid parameter not satisfying: %@", "someFields");
    setFields(std::move(someFields));
}

QorvCSReportCupel::QorvCSReportCupel(qorv::Value someFields, std::shared_ptr<const QorvCSReportCupelRule> rule)
    : m_fields(std::move(someFields))
    , m_rule(std::move(rule))
{
    QorvAssert(m_fields.isDictionary(), "Invalid parameter not satisfying: %@", "someFields");
    QorvParameterAssert(m_rule);
}

void QorvCSReportCupel::setFields(qorv::Value fields)
{
    m_rule = std::make_shared<const QorvCSReportCupelRule>(
        fields, std::string(), QorvCSReportCupelRule::Compilation::Compiled);
    m_fields = std::move(fields);
}

bool QorvCSReportCupel::transform(qorv::Value::Dictionary& record) const
{
    return m_rule->apply(record);
}
