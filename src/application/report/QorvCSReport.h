#pragma once

#include "QorvCSReportItems.h"

#include <memory>
#include <string_view>

// An ordered list of report items and the flag that selects the export rendering.
class QorvCSReport {
public:
    explicit QorvCSReport(bool forExport)
        : m_forExport(forExport)
    { }
    virtual ~QorvCSReport() = default;

    static std::shared_ptr<QorvCSReport> reportForExport(bool forExport)
    {
        return std::make_shared<QorvCSReport>(forExport);
    }
    virtual std::string_view className() const { return "QorvCSReport"; }

    void addItem(std::shared_ptr<QorvCSReportItem> anItem);
    void addItemsFromArray(const QorvCSReportItemList& someItems);

    const QorvCSReportItemList& items() const { return m_items; }
    void setItems(QorvCSReportItemList items) { m_items = std::move(items); }
    bool forExport() const { return m_forExport; }

private:
    QorvCSReportItemList m_items;
    bool m_forExport;
};
