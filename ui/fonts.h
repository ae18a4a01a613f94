// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QVariant>
#include <QWidget>

// The windows are designed in Windows faces. Where one is missing,
// fontconfig already maps Arial, Arial Narrow and Calibri to faces of the
// same metrics; the Chinese faces it leaves to chance, so the stand-ins are
// named here: AR PL UMing is a Ming (Song) face with SimSun's metrics (Latin
// letters and blanks half a Chinese character wide, lines one em high), and
// WenQuanYi Micro Hei a Hei face like SimHei. Process-wide; calling it again
// changes nothing. Windows has the designed faces themselves.
inline void useStandInFonts()
{
#ifndef Q_OS_WIN
    for (const char* song : {"SimSun", "NSimSun"})
        QFont::insertSubstitution(QLatin1String(song), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Micro Hei"));
#endif
}

// Designer forms keep whole point sizes only. A control designed in a size
// with a fraction (10.5, 8.25, 14.25 pt ...) carries it in its form as the
// dynamic property "pointSizeF", applied here once the form is set up.
inline void applyFractionalPointSizes(QWidget* window)
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
