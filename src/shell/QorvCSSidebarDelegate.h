#pragma once

#include "QorvCSSidebarColors.h"

#include <QStyledItemDelegate>

class QorvCSOutlineDelegate;
class QorvCSOutlineModel;

// Draws the sidebar's rows as the window controller decides: the label column and group rows as image-and-text
// cells, the checkbox column as a checkbox for includable rows only, group labels small and upper case.
class QorvCSSidebarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    QorvCSSidebarDelegate(QorvCSOutlineModel& model, QObject* parent = nullptr);
    void setOutlineDelegate(QorvCSOutlineDelegate* delegate) { m_delegate = delegate; }
    // Derives the row colours from the palette the sidebar is drawn with.
    void setPalette(const QPalette& palette);
    const QorvCSSidebarColors& colors() const { return m_colors; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

    static constexpr int rowHeight = 20;

private:
    void paintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintCheckbox(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QorvCSOutlineModel& m_model;
    QorvCSOutlineDelegate* m_delegate = nullptr;
    QorvCSSidebarColors m_colors;
};
