#pragma once

#include "QorvCSOutlineModel.h"
#include "QorvCSOutlineView.h"
#include "QorvCSSidebarDelegate.h"

#include <QTreeView>

#include <string>
#include <vector>

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

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Space ticks the current row, Enter shows its section; the arrows move the focus ring and never select.
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The focus ring goes around the whole current row.
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // A node's place in the tree as the unique identifiers from the top down; nodes are rebuilt on every change,
    // identifiers stay.
    using Path = std::vector<std::string>;
    Path pathOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Path& path) const;
    void spanGroupRows();
    void activate(const QModelIndex& index);

    Path m_currentPath; // the current row, recorded while its node was alive
    int m_currentColumn = 0;
    bool m_expandedAll = false; // rows cannot be collapsed by the user: once all are open, they stay open
    QorvCSOutlineModel m_model;
    QorvCSSidebarDelegate m_cellDelegate;
    QorvCSOutlineDelegate* m_delegate = nullptr;
};
