// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/form2.h"

#include <QScreen>

Form2::Form2(QWidget* parent)
    : QDialog(parent)
{
    ui.setupUi(this);
    // Title and close box only: the help text has a fixed layout.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Centred on the screen rather than over the owner, as it always opened.
    move(screen()->availableGeometry().center() - rect().center());

    // SimSun draws blanks and Latin letters at half the width of a Chinese
    // character; that is what makes the runs of blanks push each sentence of
    // the help text onto a line of its own. Where SimSun is missing, these
    // stand-ins keep those proportions (Designer forms hold only one family).
    QFont helpFont = ui.Label1->font();
    helpFont.setFamilies({helpFont.family(), QStringLiteral("NSimSun"),
                          QStringLiteral("WenQuanYi Micro Hei Mono")});
    ui.Label1->setFont(helpFont);

    connect(ui.Command1, &QPushButton::clicked, this, &QWidget::close);
}

void Form2::showModal(QWidget* owner)
{
    Form2 window(owner);
    window.exec();
}
