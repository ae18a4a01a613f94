// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QRect>
#include <QScreen>
#include <QWidget>

// Windows that open centred on the screen are centred with their frame,
// title bar included, as a window's start position has always been meant.
// How large the frame is becomes known only once the window exists on the
// screen (at once on Windows, later or never under an X11 window manager),
// so the window is centred when it is first shown, and where no frame is
// known it is its inside that is centred.
class CentredOnFirstShow : public QObject {
public:
    explicit CentredOnFirstShow(QWidget* window)
        : QObject(window)
    {
        centre(window);
        window->installEventFilter(this);
    }

    static void centre(QWidget* window)
    {
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            centre(static_cast<QWidget*>(watched));
            deleteLater();
        }
        return false;
    }
};
