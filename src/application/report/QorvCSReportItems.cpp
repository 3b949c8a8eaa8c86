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

QorvCSReportTablePair QorvCSReportTablePair::pairWithTitleAndLabel(std::string title, std::string label)
{
    struct Row {
        Row(std::string title, std::string label)
            : heading(std::move(title))
            , value(std::move(label))
        { }
        QorvCSReportTableHeading heading;
        QorvCSReportTableValue value;
    };
    auto row = std::make_shared<Row>(std::move(title), std::move(label));
    // Each shares the row's ownership: the row goes when neither is held any more.
    return { std::shared_ptr<QorvCSReportTableHeading>(row, &row->heading),
        std::shared_ptr<QorvCSReportTableValue>(row, &row->value) };
}

QorvCSReportTable::Pairs& QorvCSReportTable::ownPairs(size_t capacity)
{
    // A list someone obtained earlier must keep its length, so it is copied; otherwise appending in place keeps
    // building a table linear.
    if (!m_ownPairs || m_ownPairs.use_count() > 2) {
        auto own = std::make_shared<Pairs>();
        // Tables have tens of rows: start with room for a few, not one.
        own->reserve(std::max<size_t>(16, capacity));
        own->insert(own->end(), m_pairs->begin(), m_pairs->end());
        m_ownPairs = std::move(own);
        m_pairs = m_ownPairs;
    }
    return *m_ownPairs;
}

void QorvCSReportTable::reserveRows(size_t count)
{
    ownPairs(count).reserve(count);
}

void QorvCSReportTable::addHeadingAndValue(QorvCSReportTablePair aPair)
{
    QorvAssert(aPair.heading && aPair.value, "Invalid parameter not satisfying: %@", "aPair");
    ownPairs(m_pairs->size() + 1).push_back(std::move(aPair));
}

void QorvCSReportTable::addHeading(
    std::shared_ptr<QorvCSReportTableHeading> aHeading, std::shared_ptr<QorvCSReportTableValue> aValue)
{
    QorvParameterAssert(aHeading);
    QorvParameterAssert(aValue);
    addHeadingAndValue({ std::move(aHeading), std::move(aValue) });
}
