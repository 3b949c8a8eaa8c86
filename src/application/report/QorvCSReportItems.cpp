#include "QorvCSReportItems.h"

#include "foundation/Assert.h"

#include <algorithm>

QorvCSReportTable::QorvCSReportTable(std::string summary, std::string caption)
    : m_summary(std::move(summary))
    , m_caption(std::move(caption))
    , m_pairs(std::make_shared<const Pairs>())
{ }

void QorvCSReportTable::setHeadingValuePairs(std::shared_ptr<const Pairs> pairs)
{
    m_ownPairs.reset();
    m_pairs = pairs ? std::move(pairs) : std::make_shared<const Pairs>();
}

void QorvCSReportTable::addHeadingAndValue(QorvCSReportTablePair aPair)
{
    QorvAssert(aPair.heading && aPair.value, "Invalid parameter not satisfying: %@", "aPair");
    // A list someone obtained earlier must keep its length, so it is copied; otherwise appending in place keeps
    // building a table linear.
    if (!m_ownPairs || m_ownPairs.use_count() > 2) {
        auto own = std::make_shared<Pairs>();
        // Tables have tens of rows: start with room for a few, not one.
        own->reserve(std::max<size_t>(16, m_pairs->size() + 1));
        own->insert(own->end(), m_pairs->begin(), m_pairs->end());
        m_ownPairs = std::move(own);
        m_pairs = m_ownPairs;
    }
    m_ownPairs->push_back(std::move(aPair));
}

void QorvCSReportTable::addHeading(
    std::shared_ptr<QorvCSReportTableHeading> aHeading, std::shared_ptr<QorvCSReportTableValue> aValue)
{
    QorvParameterAssert(aHeading);
    QorvParameterAssert(aValue);
    addHeadingAndValue({ std::move(aHeading), std::move(aValue) });
}
