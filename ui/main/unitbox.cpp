// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/unitbox.h"

#include <QKeyEvent>
#include <QToolTip>

UnitBox::UnitBox(QWidget* parent)
    : QLineEdit(parent)
{
}

bool UnitBox::event(QEvent* event)
{
    // The boxes carry no tooltip of their own; without this, hovering over a
    // box would show its frame's tooltip (the pressure frame's "兆帕").
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        QToolTip::hideText();
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void UnitBox::keyReleaseEvent(QKeyEvent* event)
{
    QLineEdit::keyReleaseEvent(event);
    // A held key repeats its press, but the user releases it once: the
    // synthetic releases of auto-repeat (X11) are not the user's.
    if (event->isAutoRepeat())
        return;
    // Enter clears every box; were its release to run this box's rule, the
    // partners would refill at once from their slots and the clear would
    // look broken.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    emit keyReleased();
}
