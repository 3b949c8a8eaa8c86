#include "ImageAndTextCell.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QIcon square(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

TEST(ImageAndTextCell, ASixteenPointImageLeavesTheTitleTheRest)
{
    ImageAndTextCell cell;
    cell.setImage(square(16), QSizeF(16, 16));
    const QRectF frame(0, 0, 100, 20);
    EXPECT_EQ(cell.titleRectForBounds(frame), QRectF(19, 0, 81, 20));
    EXPECT_EQ(cell.imageRectForBounds(frame), QRectF(3, 2, 16, 16));
    EXPECT_EQ(cell.imageDrawingRect(frame).topLeft(), QPointF(-3, 2)) << "drawn 3 points left of the frame";
    EXPECT_EQ(cell.editingFrame(frame), QRectF(19, 0, 81, 20));
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17)), QSizeF(72, 17));
}

TEST(ImageAndTextCell, WithoutAnImageTheTextTakesTheWholeFrame)
{
    ImageAndTextCell cell;
    const QRectF frame(10, 5, 100, 20);
    EXPECT_EQ(cell.titleRectForBounds(frame), frame);
    EXPECT_TRUE(cell.imageRectForBounds(frame).isNull());
    EXPECT_EQ(cell.editingFrame(frame), QRectF(13, 5, 97, 20));
    EXPECT_EQ(cell.cellSize(QSizeF(50, 17)), QSizeF(56, 17));
}

TEST(ImageAndTextCell, AnOddHeightCentresTheImageRoundingUp)
{
    ImageAndTextCell cell;
    cell.setImage(square(16), QSizeF(16, 16));
    EXPECT_EQ(cell.imageRectForBounds(QRectF(0, 0, 100, 21)).y(), 3) << "(21 - 16) / 2 = 2.5, rounded up";
}

TEST(QorvCSTextFieldCell, CentresItsLineWithoutRounding)
{
    EXPECT_EQ(QorvCSTextFieldCell::interiorFrame(QRectF(0, 0, 80, 21), 16), QRectF(0, 2.5, 80, 16));
}

} // namespace
