// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/form2.h"

#include "ui/common/centring.h"

Form2::Form2(QWidget* parent)
    : QDialog(parent)
{
    // The help text is SimSun's, or its stand-in's where SimSun is missing
    // (set at start-up, fonts.h): blanks and Latin letters half as wide as a
    // Chinese character, which makes the runs of blanks push each sentence
    // onto a line of its own, and ten lines that end above the button.
    ui.setupUi(this);
    // Title and close box only: the help text has a fixed layout.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    // Centred on the screen rather than over the owner, as it always opened.
    new CentredOnFirstShow(this);

    connect(ui.Command1, &QPushButton::clicked, this, &QWidget::close);
}

void Form2::showModal(QWidget* owner)
{
    Form2 window(owner);
    window.exec();
}
