#pragma once

class QorvCSContent;
class QorvCSContentController;

// The sidebar as the window controller sees it. The shell's tree view implements it.
class QorvCSOutlineView {
public:
    virtual ~QorvCSOutlineView() = default;
    virtual void setDataSource(QorvCSContentController* dataSource) = 0;
    // Reloads the item's row (null: the root) and, when asked, everything below it.
    virtual void reloadItem(QorvCSContent* item, bool reloadChildren) = 0;
    // Expands the item (null: every item) and, when asked, all its descendants.
    virtual void expandItem(QorvCSContent* item, bool expandChildren) = 0;
    virtual void sizeLastColumnToFit() = 0;
};
