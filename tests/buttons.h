// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: a window's push button by its name ("Command4").

#include <QLatin1String>
#include <QPushButton>
#include <QWidget>

inline QPushButton* button(const QWidget& window, const char* name)
{
    return window.findChild<QPushButton*>(QLatin1String(name));
}
