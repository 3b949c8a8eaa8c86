#include "QorvCSReport.h"

#include "foundation/Assert.h"

void QorvCSReport::addItem(std::shared_ptr<QorvCSReportItem> anItem)
{
    QorvParameterAssert(anItem);
    m_items.push_back(std::move(anItem));
}

void QorvCSReport::addItemsFromArray(const QorvCSReportItemList& someItems)
{
    for (const auto& item : someItems)
        QorvAssert(item != nullptr, "Invalid parameter not satisfying: %@", "someItems");
    m_items.insert(m_items.end(), someItems.begin(), someItems.end());
}
