// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/facebutton.h"

#include <QImageReader>
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

void FaceButton::setPicture(const QString& fileName)
{
    m_picture = fileName;
    m_face = QPixmap();
    update();
}

void FaceButton::setPressedPicture(const QString& fileName)
{
    m_pressedPicture = fileName;
    m_pressed = QPixmap();
    update();
}

void FaceButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool down = isDown();
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(rect(), face);

    const QRect inside = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    QRect captionRoom = inside;
    if (!m_picture.isEmpty() && (m_face.isNull() || m_faceFor != size())) {
        // The picture stands centred at its own size; only the part inside
        // the button is decoded.
        QImageReader reader(m_picture);
        const QSize full = reader.size();
        const QPoint corner((width() - full.width()) / 2, (height() - full.height()) / 2);
        const QRect shown = QRect(QPoint(0, 0), full) & rect().translated(-corner);
        reader.setClipRect(shown);
        m_face = QPixmap::fromImage(reader.read());
        m_faceAt = corner + shown.topLeft();
        m_faceFor = size();
    }
    if (!m_pressedPicture.isEmpty() && m_pressed.isNull())
        m_pressed = QPixmap(m_pressedPicture);

    painter.save();
    painter.setClipRect(inside);
    if (down && !m_pressed.isNull()) {
        painter.drawPixmap(inside.left(), inside.top() + (inside.height() - m_pressed.height()) / 2, m_pressed);
        captionRoom.setLeft(inside.left() + m_pressed.width() + kBorder);
    } else {
        painter.drawPixmap(m_faceAt, m_face);
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
