// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/calculator/picturebutton.h"

#include <QPainter>

namespace {

constexpr int pictureGap = 2; // between the picture and the caption's ink
constexpr qreal cornerRadius = 4.0;

} // namespace

PictureButton::PictureButton(QWidget* parent)
    : QPushButton(parent)
{
    // Repaint on hover so that the face can brighten under the mouse.
    setAttribute(Qt::WA_Hover);
    // Return and Enter press a focused key as Space does, the desktop habit
    // on Windows; outside a dialog Qt only does so for auto-default buttons.
    setAutoDefault(true);
}

QSize PictureButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QRect ink = metrics.tightBoundingRect(text());
    const QSize picture = icon().isNull() ? QSize() : iconSize();
    const int width = qMax(picture.width(), metrics.horizontalAdvance(text())) + 12;
    const int height = picture.height() + pictureGap + ink.height() + 10;
    return {width, height};
}

QSize PictureButton::minimumSizeHint() const
{
    return sizeHint();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const bool down = isDown() || isChecked();
    QColor face = palette().color(QPalette::Button);
    if (down)
        face = face.darker(118);
    else if (underMouse() && isEnabled())
        face = face.lighter(106);

    // The face, with a border a shade darker than itself so that every
    // colour of the keypad keeps a visible edge.
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(face.darker(150), 1.0));
    painter.setBrush(face);
    painter.drawRoundedRect(outline, cornerRadius, cornerRadius);
    if (!down) {
        // A faint light edge along the top gives the face a little relief.
        painter.setPen(QPen(face.lighter(125), 1.0));
        painter.drawLine(QPointF(cornerRadius, 1.5), QPointF(width() - cornerRadius, 1.5));
    }
    if (hasFocus()) {
        painter.setPen(QPen(face.darker(210), 1.0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(outline.adjusted(2, 2, -2, -2), cornerRadius - 1, cornerRadius - 1);
    }

    // Picture above caption, the pair centred as one block. The caption's
    // ink, not its line height, is measured, so that the larger "*" and "."
    // still fit under the picture in a key of this height.
    const QFontMetrics metrics(font());
    const QRect ink = metrics.tightBoundingRect(text());
    const QSize picture = icon().isNull() ? QSize(0, 0) : iconSize();
    const int gap = icon().isNull() || text().isEmpty() ? 0 : pictureGap;
    const int blockHeight = picture.height() + gap + ink.height();
    const int shift = down ? 1 : 0;
    int top = qMax(1, (height() - blockHeight) / 2) + shift;

    if (!icon().isNull()) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = icon().pixmap(picture, devicePixelRatio(), mode);
        const QSize shown = pixmap.deviceIndependentSize().toSize();
        painter.drawPixmap((width() - shown.width()) / 2 + shift, top, pixmap);
        top += picture.height() + gap;
    }

    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        const int x = (width() - ink.width()) / 2 - ink.left() + shift;
        const int baseline = top - ink.top();
        painter.drawText(QPoint(x, baseline), text());
    }
}
