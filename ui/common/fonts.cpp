// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/fonts.h"

#include <QFont>
#include <QVariant>
#include <QWidget>

void useStandInFonts()
{
#ifndef Q_OS_WIN
    for (const char* song : {"SimSun", "NSimSun"})
        QFont::insertSubstitution(QLatin1String(song), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Micro Hei"));
#endif
}

void applyFractionalPointSizes(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QVariant size = control->property("pointSizeF");
        if (!size.isValid())
            continue;
        QFont font = control->font();
        font.setPointSizeF(size.toDouble());
        control->setFont(font);
    }
}
