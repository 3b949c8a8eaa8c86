#pragma once

#include <QIcon>
#include <QRectF>
#include <QSizeF>

// The geometry of a cell that draws an image before its text: the image sits 3 points in from the left, centred
// vertically; the text takes everything to the right of the image and its inset.
class ImageAndTextCell {
public:
    static constexpr double imageInset = 3.0;
    static constexpr double drawingOffsetX = -3.0;
    static constexpr double drawingOffsetY = 2.0;
    static constexpr double extraWidth = 6.0;

    const QIcon& image() const { return m_image; }
    QSizeF imageSize() const { return m_image.isNull() ? QSizeF(0, 0) : m_imageSize; }
    void setImage(const QIcon& image, QSizeF size)
    {
        m_image = image;
        m_imageSize = size;
    }

    QRectF imageRectForBounds(const QRectF& bounds) const;
    QRectF titleRectForBounds(const QRectF& bounds) const;
    // Where the whole image is drawn: the image slice's origin moved by the drawing offset.
    QRectF imageDrawingRect(const QRectF& frame) const;
    // The frame left for editing or selecting text after the image and its inset.
    QRectF editingFrame(const QRectF& frame) const;
    QSizeF cellSize(const QSizeF& baseSize) const;

private:
    QIcon m_image;
    QSizeF m_imageSize;
};

// A cell whose single text line is centred vertically in its frame.
class QorvCSTextFieldCell {
public:
    static QRectF interiorFrame(const QRectF& frame, double cellHeight)
    {
        return QRectF(frame.x(), frame.y() + (frame.height() - cellHeight) * 0.5, frame.width(), cellHeight);
    }
};
