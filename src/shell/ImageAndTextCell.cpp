#include "ImageAndTextCell.h"

#include <cmath>

QRectF ImageAndTextCell::imageRectForBounds(const QRectF& bounds) const
{
    if (m_image.isNull())
        return {};
    const QSizeF size = imageSize();
    return QRectF(bounds.x() + imageInset, bounds.y() + std::ceil((bounds.height() - size.height()) * 0.5),
        size.width(), size.height());
}

QRectF ImageAndTextCell::titleRectForBounds(const QRectF& bounds) const
{
    if (m_image.isNull())
        return bounds;
    const double iw = imageSize().width();
    return QRectF(bounds.x() + iw + imageInset, bounds.y(), bounds.width() - iw - imageInset, bounds.height());
}

QRectF ImageAndTextCell::imageDrawingRect(const QRectF& frame) const
{
    if (m_image.isNull())
        return {};
    return QRectF(QPointF(frame.x() + drawingOffsetX, frame.y() + drawingOffsetY), imageSize());
}

QRectF ImageAndTextCell::editingFrame(const QRectF& frame) const
{
    const double slice = imageInset + imageSize().width();
    return frame.adjusted(slice, 0, 0, 0);
}

QSizeF ImageAndTextCell::cellSize(const QSizeF& baseSize) const
{
    return QSizeF(baseSize.width() + imageSize().width() + extraWidth, baseSize.height());
}
