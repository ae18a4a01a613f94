// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

// A button of the main window in the graphical style: its picture fills the
// face at the picture's own size, centred and cut off at the border, with the
// caption on top; a 2-pixel raised border in the face's colour, sunken while
// pressed and black while the button has the focus. A picture given for the
// icon's Active mode replaces the face picture while the button is held down,
// standing at the left with the caption beside it. Colours, fonts, pictures
// and captions come from the form.
class FaceButton : public QPushButton {
    Q_OBJECT

public:
    explicit FaceButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
