// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/facebutton.h"

#include <QPainter>
#include <qdrawutil.h>

namespace {

constexpr int kBorder = 2;
constexpr int kPressedShift = 2; // the caption moves down and right while pressed

} // namespace

FaceButton::FaceButton(QWidget* parent)
    : QPushButton(parent)
{
}

void FaceButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool down = isDown();
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(rect(), face);

    const QRect inside = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    QRect captionRoom = inside;
    const QList<QSize> pressedSizes = icon().availableSizes(QIcon::Active);
    painter.save();
    painter.setClipRect(inside);
    if (down && !pressedSizes.isEmpty()) {
        const QPixmap picture = icon().pixmap(pressedSizes.first(), 1.0, QIcon::Active);
        const QSize shown = picture.size();
        painter.drawPixmap(inside.left(), inside.top() + (inside.height() - shown.height()) / 2, picture);
        captionRoom.setLeft(inside.left() + shown.width() + kBorder);
    } else if (const QList<QSize> sizes = icon().availableSizes(); !sizes.isEmpty()) {
        // At its own size, not scaled: the face shows the middle of a picture
        // larger than the button.
        const QPixmap picture = icon().pixmap(sizes.first(), 1.0);
        const QSize shown = picture.size();
        painter.drawPixmap((width() - shown.width()) / 2, (height() - shown.height()) / 2, picture);
    }
    painter.restore();

    if (hasFocus()) {
        painter.setPen(QPen(Qt::black, kBorder, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        const qreal half = kBorder / 2.0;
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    } else {
        QPalette shades = palette();
        shades.setColor(QPalette::Light, face.lighter(140));
        shades.setColor(QPalette::Dark, face.darker(160));
        qDrawShadePanel(&painter, rect(), shades, down, kBorder);
    }

    if (down)
        captionRoom.translate(kPressedShift, kPressedShift);
    painter.setFont(font());
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(palette().color(group, QPalette::ButtonText));
    painter.drawText(captionRoom, Qt::AlignCenter, text());
}
