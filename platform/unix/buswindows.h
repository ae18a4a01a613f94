// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <deque>

// The rules of closing a GtkApplication's window over the session bus, apart
// from the bus (BusCalculator applies them): which windows an application
// exports, and which to ask next while look-ups answer in any order.
namespace platform {

// The window nodes exported under <path>/window, from its introspection data,
// in the order listed: children of the top node only, and only names that can
// stand in an object path (anything else could never be asked).
QStringList windowNodes(const QString& introspection);

// The windows of one close, asked one at a time as they are found: a peer
// slow to answer its look-up holds no close up, and a window that does not
// close leaves the next one to be asked.
class WindowQueue {
public:
    struct Window {
        QString peer; // the connection that exports it
        QString path; // its object path
    };
    enum class Next {
        Wait, // a close is out, or look-ups are: their answers decide
        Ask, // take() the next window and ask it to close
        GiveUp, // every look-up answered and no window is left to ask
    };

    void found(Window window) { m_windows.push_back(std::move(window)); }
    // After any answer, with the look-ups still out.
    Next next(int lookUpsOut) const;
    // The window to ask now; the queue waits for its answer.
    Window take();
    // Its close was refused or not answered: the next window may be asked.
    void closeFailed() { m_closing = false; }

private:
    std::deque<Window> m_windows;
    bool m_closing = false;
};

} // namespace platform
