#pragma once

#include "QorvCSOutlineModel.h"
#include "QorvCSOutlineView.h"
#include "QorvCSSidebarDelegate.h"

#include <QTreeView>

// The sidebar: a tree of report sections with a checkbox per includable section and full-width group rows.
class QorvCSSidebarView : public QTreeView, public QorvCSOutlineView {
    Q_OBJECT
public:
    explicit QorvCSSidebarView(QWidget* parent = nullptr);

    QorvCSOutlineModel& outlineModel() { return m_model; }

    void setDelegate(QorvCSOutlineDelegate* delegate) override;
    void setDataSource(QorvCSContentController* dataSource) override;
    void reloadItem(QorvCSContent* item, bool reloadChildren) override;
    void expandItem(QorvCSContent* item, bool expandChildren) override;
    void sizeLastColumnToFit() override;

private:
    void spanGroupRows();

    QorvCSOutlineModel m_model;
    QorvCSSidebarDelegate m_cellDelegate;
};
