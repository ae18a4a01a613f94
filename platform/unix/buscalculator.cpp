// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unix/buscalculator.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLatin1Char>
#include <QVariant>

#include <algorithm>

namespace platform {

namespace {

// A peer that hangs must not hold a close up for long: each look-up has a
// short timeout of its own, and they all run at once. The close action is
// given longer: a calculator busy with a long computation answers late.
constexpr int kLookupTimeoutMs = 1000;
constexpr int kCloseTimeoutMs = 3000;

QDBusMessage busDaemonCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

} // namespace

BusCalculator::BusCalculator() = default;
BusCalculator::~BusCalculator() = default;

bool BusCalculator::closeOne(const QString& busName, const QString& busPath, Done done)
{
    // A second close would take the place of the one under way, whose
    // answers still come and whose done would never be called.
    if (busy())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    m_close = std::make_unique<Close>(Close{bus, busPath + QStringLiteral("/window"), std::move(done), {}});
    QDBusMessage owner = busDaemonCall(QStringLiteral("GetNameOwner"));
    owner << busName;
    send(owner, kLookupTimeoutMs, false, [this](const QDBusMessage& reply) { ownerFound(reply); });
    return true;
}

void BusCalculator::ownerFound(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage) {
        lookUp(reply.arguments().value(0).toString());
        return;
    }
    send(busDaemonCall(QStringLiteral("ListNames")), kLookupTimeoutMs, false,
         [this](const QDBusMessage& names) { peersListed(names); });
}

void BusCalculator::peersListed(const QDBusMessage& reply)
{
    const QString self = m_close->bus.baseService();
    for (const QString& name : reply.arguments().value(0).toStringList()) {
        if (name.startsWith(QLatin1Char(':')) && name != self)
            lookUp(name);
    }
    askNext();
}

void BusCalculator::lookUp(const QString& peer)
{
    QDBusMessage introspect = QDBusMessage::createMethodCall(peer, m_close->windowsPath,
                                                             QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                             QStringLiteral("Introspect"));
    introspect.setAutoStartService(false);
    send(introspect, kLookupTimeoutMs, false, [this, peer](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            for (const QString& window : windowNodes(reply.arguments().value(0).toString()))
                m_close->windows.found({peer, m_close->windowsPath + QLatin1Char('/') + window});
        }
        askNext();
    });
}

// After every answer: the queue of windows says whether to ask one, wait,
// or give up (WindowQueue).
void BusCalculator::askNext()
{
    switch (m_close->windows.next(int(m_calls.size()))) {
    case WindowQueue::Next::Wait: return;
    case WindowQueue::Next::GiveUp: end(false); return;
    case WindowQueue::Next::Ask: break;
    }
    const auto [peer, path] = m_close->windows.take();
    QDBusMessage close =
        QDBusMessage::createMethodCall(peer, path, QStringLiteral("org.gtk.Actions"), QStringLiteral("Activate"));
    close << QStringLiteral("close") << QVariant::fromValue(QVariantList()) << QVariant::fromValue(QVariantMap());
    close.setAutoStartService(false);
    send(close, kCloseTimeoutMs, true, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            end(true); // one window only
            return;
        }
        m_close->windows.closeFailed();
        askNext();
    });
}

void BusCalculator::end(bool closed)
{
    // Look-ups still out are of no use any more.
    for (const Call& call : m_calls)
        forget(call.watcher);
    m_calls.clear();
    const Done done = std::move(m_close->done);
    m_close.reset();
    done(closed);
}

void BusCalculator::send(const QDBusMessage& message, int timeoutMs, bool isClose, Handler then)
{
    // While the program ends (finish()), no call outlasts the time left, and
    // once that is spent no call is made: it fails at once.
    const qint64 left = m_deadline.remainingTime();
    const QDBusPendingCall pending =
        left == 0 ? QDBusPendingCall::fromError(QDBusError(QDBusError::Timeout, QStringLiteral("no time left")))
                  : m_close->bus.asyncCall(message, left < 0 ? timeoutMs : int(std::min<qint64>(timeoutMs, left)));
    auto* watcher = new QDBusPendingCallWatcher(pending, &m_watchers);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_watchers, [this, watcher] { answered(watcher); });
    m_calls.push_back({pending, watcher, isClose, std::move(then)});
}

void BusCalculator::answered(QDBusPendingCallWatcher* watcher)
{
    const auto found =
        std::find_if(m_calls.begin(), m_calls.end(), [watcher](const Call& call) { return call.watcher == watcher; });
    if (found == m_calls.end())
        return;
    const Call call = std::move(*found);
    m_calls.erase(found);
    forget(watcher);
    call.then(call.pending.reply());
}

void BusCalculator::forget(QDBusPendingCallWatcher* watcher)
{
    QObject::disconnect(watcher, nullptr, &m_watchers, nullptr);
    watcher->deleteLater();
}

void BusCalculator::finish(QDeadlineTimer deadline)
{
    m_deadline = deadline;
    while (!m_calls.empty()) {
        // An answer already in first; else the close, whose answer can end
        // everything; else the look-ups, which were all sent at once.
        auto next = std::find_if(m_calls.begin(), m_calls.end(), [](const Call& c) { return c.pending.isFinished(); });
        if (next == m_calls.end())
            next = std::find_if(m_calls.begin(), m_calls.end(), [](const Call& c) { return c.isClose; });
        if (next == m_calls.end())
            next = m_calls.begin();
        const Call call = std::move(*next);
        m_calls.erase(next);
        forget(call.watcher);
        // Bounded by the call's own timeout.
        QDBusPendingCall pending = call.pending;
        pending.waitForFinished();
        call.then(pending.reply());
    }
    m_deadline = QDeadlineTimer(QDeadlineTimer::Forever);
}

} // namespace platform
