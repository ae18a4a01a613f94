// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: the text of the message box an action opens.

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <functional>

// Runs action; the modal message box it opens is read and closed from the
// event loop the box runs. Empty when no message box came up.
inline QString messageShownBy(const std::function<void()>& action)
{
    QString text;
    QTimer::singleShot(0, qApp, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->close();
        }
    });
    action();
    return text;
}
