#include "QorvCSSidebarView.h"

#include "QorvCSContent.h"

#include <QHeaderView>
#include <QStyle>

QorvCSSidebarView::QorvCSSidebarView(QWidget* parent)
    : QTreeView(parent)
    , m_cellDelegate(m_model)
{
    setObjectName(QStringLiteral("contentOutline"));
    setModel(&m_model);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(8);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setUniformRowHeights(false);
    setIconSize(QSize(16, 16));
    setItemDelegate(&m_cellDelegate);
    // A source-list look: the window's own background, no grid, no hover highlight.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    setPalette(p);
    header()->setStretchLastSection(true);
    // The checkbox column is as wide as its indentation and a checkbox; sizing it to its contents would count
    // the group rows' labels, which span both columns.
    const int checkbox = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    header()->setMinimumSectionSize(1);
    header()->setSectionResizeMode(QorvCSOutlineModel::IncludeColumn, QHeaderView::Fixed);
    header()->resizeSection(QorvCSOutlineModel::IncludeColumn, indentation() + checkbox + 10);
    setFrameShape(QFrame::NoFrame);
}

void QorvCSSidebarView::setDelegate(QorvCSOutlineDelegate* delegate)
{
    m_cellDelegate.setOutlineDelegate(delegate);
    viewport()->update();
}

void QorvCSSidebarView::setDataSource(QorvCSContentController* dataSource)
{
    m_model.setDataSource(dataSource);
    spanGroupRows();
}

void QorvCSSidebarView::reloadItem(QorvCSContent*, bool)
{
    m_model.reload();
    spanGroupRows();
}

void QorvCSSidebarView::expandItem(QorvCSContent* item, bool expandChildren)
{
    if (!item) {
        expandAll();
        return;
    }
    const QModelIndex index = m_model.indexOf(item);
    if (expandChildren)
        expandRecursively(index);
    else
        expand(index);
}

void QorvCSSidebarView::sizeLastColumnToFit()
{
    header()->setStretchLastSection(true);
}

void QorvCSSidebarView::spanGroupRows()
{
    std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_model.rowCount(parent); ++row) {
            const QModelIndex index = m_model.index(row, 0, parent);
            QorvCSContent* node = m_model.node(index);
            setFirstColumnSpanned(row, parent, node && node->isGroup());
            visit(index);
        }
    };
    visit({});
}
