// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPushButton>

// A button of the main window in the graphical style: its picture fills the
// face at the picture's own size, centred and cut off at the border, with the
// caption on top; a 2-pixel raised border in the face's colour, sunken while
// pressed and black while the button has the focus. A second picture, where
// given, replaces the face picture while the button is held down, standing at
// the left with the caption beside it. Colours, fonts, pictures and captions
// come from the form.
class FaceButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString picture READ picture WRITE setPicture)
    Q_PROPERTY(QString pressedPicture READ pressedPicture WRITE setPressedPicture)

public:
    explicit FaceButton(QWidget* parent = nullptr);

    QString picture() const { return m_picture; }
    void setPicture(const QString& fileName);
    QString pressedPicture() const { return m_pressedPicture; }
    void setPressedPicture(const QString& fileName);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_picture;
    QString m_pressedPicture;
    // Decoded at the first paint: of the face picture only the part the face
    // shows (its middle, which for the clear button is a small part of it).
    QPixmap m_face;
    QPoint m_faceAt;
    QSize m_faceFor;
    QPixmap m_pressed;
};
