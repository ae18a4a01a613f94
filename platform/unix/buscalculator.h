// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unix/buswindows.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace platform {

// A GtkApplication's windows on the session bus, each exported under
// <path>/window/<n> with a "close" action, asked to close one at a time.
// Nothing here waits for another program: every call is asynchronous and
// its answer comes back through the event loop, so a calculator or any
// other peer that does not answer never freezes the window.
class BusCalculator {
public:
    // Whether a window was closed: false when none was found or none of
    // those found answered.
    using Done = std::function<void(bool closed)>;

    BusCalculator();
    ~BusCalculator();
    BusCalculator(const BusCalculator&) = delete;
    BusCalculator& operator=(const BusCalculator&) = delete;

    // Starts asking one window to close: one of the application that owns
    // busName, else one of any connection that exports such windows (GNOME
    // Calculator 43 is started once per window and owns no name), asked on
    // that connection itself. done follows once, never from within this
    // call. False, and no done, when there is no session bus, or while
    // busy(): one close at a time.
    bool closeOne(const QString& busName, const QString& busPath, Done done);
    bool busy() const { return m_close != nullptr; }

    // For the end of the program, when no event loop will run again: the
    // close under way, and any started by its done, carried to their end
    // here, waiting on the bus. No call is made after the deadline, and
    // those made before it are given only the time left.
    void finish(QDeadlineTimer deadline);

private:
    using Handler = std::function<void(const QDBusMessage& reply)>;
    struct Call {
        QDBusPendingCall pending;
        QDBusPendingCallWatcher* watcher;
        bool isClose; // the window's close action, not a look-up
        Handler then;
    };
    struct Close {
        QDBusConnection bus;
        QString windowsPath;
        Done done;
        WindowQueue windows;
    };

    void send(const QDBusMessage& message, int timeoutMs, bool isClose, Handler then);
    void answered(QDBusPendingCallWatcher* watcher);
    void ownerFound(const QDBusMessage& reply);
    void peersListed(const QDBusMessage& reply);
    void lookUp(const QString& peer);
    void askNext();
    void end(bool closed);
    void forget(QDBusPendingCallWatcher* watcher);

    std::unique_ptr<Close> m_close;
    std::vector<Call> m_calls; // out on the bus, for m_close
    // The watchers' parent, so that none outlives this object, and the
    // context of their connections, so that no answer reaches it after.
    QObject m_watchers;
    QDeadlineTimer m_deadline{QDeadlineTimer::Forever};
};

} // namespace platform
