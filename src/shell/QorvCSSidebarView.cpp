#include "QorvCSSidebarView.h"

#include "QorvCSContent.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
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
    // Reachable from the keyboard (Tab, arrows, Space ticks); rows are still never selected.
    setFocusPolicy(Qt::StrongFocus);
    setUniformRowHeights(false);
    setIconSize(QSize(16, 16));
    setItemDelegate(&m_cellDelegate);
    // A source-list look: the window's own background, no grid, no hover highlight.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    setPalette(p);
    m_cellDelegate.setPalette(p);
    header()->setStretchLastSection(true);
    // The checkbox column is as wide as its indentation and a checkbox; sizing it to its contents would count
    // the group rows' labels, which span both columns.
    const int checkbox = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    header()->setMinimumSectionSize(1);
    header()->setSectionResizeMode(QorvCSOutlineModel::IncludeColumn, QHeaderView::Fixed);
    header()->resizeSection(QorvCSOutlineModel::IncludeColumn, indentation() + checkbox + 10);
    setFrameShape(QFrame::NoFrame);
    setAccessibleName(tr("Report sections"));
    // A click on a label shows its section; the checkbox only ticks (the delegate takes that click).
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        QorvCSContent* node = m_model.node(index);
        if (node && (node->isGroup() || index.column() == QorvCSOutlineModel::LabelColumn))
            activate(index);
    });
}

void QorvCSSidebarView::activate(const QModelIndex& index)
{
    if (QorvCSContent* node = m_model.node(index); node && m_delegate)
        m_delegate->outlineDidActivateItem(node);
}

void QorvCSSidebarView::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex current = currentIndex();
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Select: {
        const QModelIndex box = m_model.index(current.row(), QorvCSOutlineModel::IncludeColumn, current.parent());
        if (m_model.flags(box) & Qt::ItemIsUserCheckable) {
            const bool checked = m_model.data(box, Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
            m_model.setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        event->accept();
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activate(current);
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Rows neither fold nor have cells worth visiting one by one.
        event->accept();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void QorvCSSidebarView::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_cellDelegate.setPalette(palette());
}

void QorvCSSidebarView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid() || current.row() != index.row() || current.parent() != index.parent())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Highlight), 2);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const QRect row(viewport()->rect().left(), option.rect.top(), viewport()->width(), option.rect.height());
    painter->drawRoundedRect(QRectF(row).adjusted(2, 1.5, -2, -1.5), 4, 4);
    painter->restore();
}

void QorvCSSidebarView::setDelegate(QorvCSOutlineDelegate* delegate)
{
    m_delegate = delegate;
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
    // The reset forgets what the reader had: which rows were open, the current row and how far the list was
    // scrolled. Put them back, so a tick or a new reading does not throw the sidebar back to its top. The old
    // nodes may already be gone, so nothing here reads them: the current row is known by the path recorded when
    // it became current.
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();

    m_model.reload();
    spanGroupRows();
    if (m_expandedAll)
        expandAll();
    if (const QModelIndex index = indexOf(m_currentPath); index.isValid())
        selectionModel()->setCurrentIndex(
            m_model.index(index.row(), m_currentColumn, index.parent()), QItemSelectionModel::NoUpdate);
    // The scroll range is only known once the rows are laid out.
    executeDelayedItemsLayout();
    updateGeometries();
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
}

void QorvCSSidebarView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    // The ring spans the row, not the one cell the base class repaints.
    viewport()->update();
    m_currentPath = pathOf(current);
    m_currentColumn = current.isValid() ? current.column() : 0;
}

QorvCSSidebarView::Path QorvCSSidebarView::pathOf(const QModelIndex& index) const
{
    Path path;
    for (QModelIndex at = index; at.isValid(); at = at.parent())
        if (QorvCSContent* node = m_model.node(at))
            path.insert(path.begin(), node->uniqueID());
    return path;
}

QModelIndex QorvCSSidebarView::indexOf(const Path& path) const
{
    QModelIndex parent;
    for (const std::string& uniqueID : path) {
        QModelIndex found;
        for (int row = 0; row < m_model.rowCount(parent) && !found.isValid(); ++row) {
            const QModelIndex candidate = m_model.index(row, 0, parent);
            if (QorvCSContent* node = m_model.node(candidate); node && node->uniqueID() == uniqueID)
                found = candidate;
        }
        if (!found.isValid())
            return {};
        parent = found;
    }
    return parent;
}

void QorvCSSidebarView::expandItem(QorvCSContent* item, bool expandChildren)
{
    if (!item) {
        m_expandedAll = true;
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
