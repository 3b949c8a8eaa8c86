#include "QorvCSSidebarDelegate.h"

#include "ImageAndTextCell.h"
#include "QorvCSImages.h"
#include "QorvCSOutlineModel.h"

#include "QorvCSContent.h"
#include "QorvCSContentController.h"
#include "QorvCSOutlineView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The cell the controller dresses before drawing.
class SidebarCell : public QorvCSOutlineCell {
public:
    explicit SidebarCell(double height)
        : m_height(height)
    { }
    void setImage(const qorv::Image& image, double side) override
    {
        m_cell.setImage(image.isNull() ? QIcon() : QorvCSIcon(image), QSizeF(side, side));
    }
    double cellHeight() const override { return m_height; }
    void setStringValue(const std::string& text) override { m_text = QString::fromStdString(text); }

    ImageAndTextCell m_cell;
    std::optional<QString> m_text;

private:
    double m_height;
};

const QorvCSOutlineColumn includeColumn { "include" };
const QorvCSOutlineColumn labelColumn { "localisedLabel" };

qorv::Color toColor(const QColor& c)
{
    return { c.redF(), c.greenF(), c.blueF(), c.isValid() };
}

QColor toQColor(const qorv::Color& c)
{
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue));
}

} // namespace

void QorvCSSidebarDelegate::setPalette(const QPalette& palette)
{
    m_colors = QorvCSSidebarColors::forPalette(toColor(palette.color(QPalette::Base)),
        toColor(palette.color(QPalette::Text)), toColor(palette.color(QPalette::PlaceholderText)),
        toColor(palette.color(QPalette::Mid)), toColor(palette.color(QPalette::Highlight)));
}

QorvCSSidebarDelegate::QorvCSSidebarDelegate(QorvCSOutlineModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{ }

QSize QorvCSSidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QorvCSContent* node = m_model.node(index);
    size.setHeight(node && node->isGroup() ? rowHeight + 8 : rowHeight);
    return size;
}

void QorvCSSidebarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Nothing may leave a paint event: a failing row is drawn plainly, from the model's guarded answers.
    // The view draws one focus ring around the current row; cells draw none of their own.
    QStyleOptionViewItem plain = option;
    plain.state &= ~QStyle::State_HasFocus;
    try {
        paintCell(painter, plain, index);
    } catch (const std::exception& e) {
        QorvCSOutlineModel::logFailure(e);
        QStyledItemDelegate::paint(painter, plain, index);
    }
}

void QorvCSSidebarDelegate::paintCell(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QorvCSContent* node = m_model.node(index);
    if (!node || !m_delegate) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const bool group = m_delegate->isGroupItem(node);
    const QorvCSOutlineColumn* column
        = group ? nullptr : (index.column() == QorvCSOutlineModel::IncludeColumn ? &includeColumn : &labelColumn);
    const std::string cellKind = m_delegate->dataCellForTableColumn(column, node);

    SidebarCell cell(option.rect.height() - 3);
    m_delegate->willDisplayCell(cell, column, node);

    if (cellKind == "include") {
        paintCheckbox(painter, option, index);
        return;
    }

    painter->save();
    QString text = cell.m_text ? *cell.m_text : index.data(Qt::DisplayRole).toString();
    QFont font = option.font;
    // A section left out of the report is dimmed, still readable.
    QColor color = toQColor(node->canInclude() && !node->include() ? m_colors.dimmedText : m_colors.text);
    // Group rows start a little in, so the image's drawing offset stays inside the row.
    QRectF frame = QRectF(option.rect).adjusted(group ? 6 : 2, 0, 0, 0);
    if (group) {
        font.setPointSizeF(font.pointSizeF() * 0.85);
        font.setBold(true);
        font.setLetterSpacing(QFont::PercentageSpacing, 104);
        color = toQColor(m_colors.groupText);
        frame.adjust(0, 6, 0, 0);
    }
    if (!cell.m_cell.image().isNull()) {
        const QRectF imageRect = cell.m_cell.imageDrawingRect(frame.adjusted(ImageAndTextCell::imageInset, 0, 0, 0));
        cell.m_cell.image().paint(painter, imageRect.toAlignedRect());
    }
    QRectF titleRect = cell.m_cell.titleRectForBounds(frame);
    if (!cell.m_cell.image().isNull())
        titleRect.adjust(ImageAndTextCell::imageInset, 0, 0, 0);
    const QFontMetricsF metrics(font);
    const QRectF textRect = QorvCSTextFieldCell::interiorFrame(titleRect, metrics.height());
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(
        textRect, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

void QorvCSSidebarDelegate::paintCheckbox(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant state = index.data(Qt::CheckStateRole);
    if (!state.isValid())
        return;
    // Drawn here rather than by the style, whose outlines are too faint on many themes; placed where the style
    // puts its indicator, which is where clicks are taken.
    QStyleOptionViewItem box = option;
    initStyleOption(&box, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QRectF rect = QRectF(style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &box, widget))
                            .adjusted(0.75, 0.75, -0.75, -0.75);
    const bool checked = state.value<Qt::CheckState>() == Qt::Checked;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(toQColor(checked ? m_colors.checkboxFill : m_colors.checkboxBorder), 1.5));
    painter->setBrush(checked ? toQColor(m_colors.checkboxFill) : option.palette.color(QPalette::Base));
    painter->drawRoundedRect(rect, 3, 3);
    if (checked) {
        QPen mark(toQColor(m_colors.checkMark), 1.8);
        mark.setCapStyle(Qt::RoundCap);
        mark.setJoinStyle(Qt::RoundJoin);
        painter->setPen(mark);
        const double w = rect.width(), h = rect.height();
        const QPointF points[] = { rect.topLeft() + QPointF(w * 0.24, h * 0.52),
            rect.topLeft() + QPointF(w * 0.43, h * 0.72), rect.topLeft() + QPointF(w * 0.77, h * 0.3) };
        painter->drawPolyline(points, 3);
    }
    painter->restore();
}

bool QorvCSSidebarDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    QorvCSContent* node = m_model.node(index);
    if (!node || !m_delegate)
        return false;
    const QorvCSOutlineColumn* column
        = index.column() == QorvCSOutlineModel::IncludeColumn ? &includeColumn : &labelColumn;
    // Only an includable node's checkbox reacts to the mouse.
    if (m_delegate->isGroupItem(node) || !m_delegate->shouldTrackCell(column, node))
        return false;
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
