#pragma once

#include "foundation/Image.h"

#include <string>

class QorvCSContent;
class QorvCSContentController;
struct QorvCSOutlineColumn;

// A cell of the sidebar about to be drawn.
class QorvCSOutlineCell {
public:
    virtual ~QorvCSOutlineCell() = default;
    // The image drawn before the text, as a square of side points; a null image for none.
    virtual void setImage(const qorv::Image& image, double side) = 0;
    virtual double cellHeight() const = 0;
    virtual void setStringValue(const std::string& text) = 0;
};

// What the sidebar asks about presentation.
class QorvCSOutlineDelegate {
public:
    virtual ~QorvCSOutlineDelegate() = default;
    // The identifier of the column whose kind of cell draws this one ("include" or "localisedLabel").
    virtual std::string dataCellForTableColumn(const QorvCSOutlineColumn* column, QorvCSContent* item) = 0;
    virtual void willDisplayCell(QorvCSOutlineCell& cell, const QorvCSOutlineColumn* column, QorvCSContent* item) = 0;
    virtual bool isGroupItem(QorvCSContent* item) = 0;
    // Whether a click on the cell is honoured; selection is never allowed.
    virtual bool shouldTrackCell(const QorvCSOutlineColumn* column, QorvCSContent* item) = 0;
    // The user asked to see the item's section (Enter on its row, a click on its label).
    virtual void outlineDidActivateItem(QorvCSContent*) { }
};

// The sidebar as the window controller sees it. The shell's tree view implements it.
class QorvCSOutlineView {
public:
    virtual ~QorvCSOutlineView() = default;
    virtual void setDelegate(QorvCSOutlineDelegate* delegate) = 0;
    virtual void setDataSource(QorvCSContentController* dataSource) = 0;
    // Reloads the item's row (null: the root) and, when asked, everything below it.
    virtual void reloadItem(QorvCSContent* item, bool reloadChildren) = 0;
    // Expands the item (null: every item) and, when asked, all its descendants.
    virtual void expandItem(QorvCSContent* item, bool expandChildren) = 0;
    virtual void sizeLastColumnToFit() = 0;
};
