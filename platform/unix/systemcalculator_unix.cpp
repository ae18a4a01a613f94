// SPDX-License-Identifier: GPL-3.0-or-later
// Linux desktops: the first calculator found on PATH from a fixed list. On
// X11 one top-level window of its class is asked to close (WM_DELETE_WINDOW,
// the X11 counterpart of WM_CLOSE). A Wayland client cannot see other
// programs' windows, so on Wayland sessions the calculator is asked through
// its application interface on the session bus where it has one, and
// otherwise the calculator process started here is asked to end.
#include "platform/systemcalculator.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QXmlStreamReader>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

namespace {

struct Calculator {
    const char* program;
    const char* windowClass; // ICCCM WM_CLASS class part, compared case-insensitively
    // A GtkApplication's name and object path on the session bus; its windows
    // are exported below <path>/window/<n>, each with a "close" action.
    const char* busName;
    const char* busPath;
};

// GNOME Calculator 43 is started once per window and owns no bus name
// (non-unique), yet every instance exports its windows under its own
// connection; single-instance builds own the name as well. KCalc 22.12 and
// the others have no such interface.
constexpr Calculator kCalculators[] = {
    {"gnome-calculator", "gnome-calculator", "org.gnome.Calculator", "/org/gnome/Calculator"},
    {"kcalc", "kcalc", nullptr, nullptr},
    {"mate-calc", "mate-calc", nullptr, nullptr},
    {"galculator", "galculator", nullptr, nullptr},
    {"qalculate-gtk", "qalculate-gtk", nullptr, nullptr},
    {"xcalc", "xcalc", nullptr, nullptr},
};

const Calculator* findCalculator(QString* path = nullptr)
{
    for (const Calculator& c : kCalculators) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(c.program));
        if (!found.isEmpty()) {
            if (path)
                *path = found;
            return &c;
        }
    }
    return nullptr;
}

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool hasClass(xcb_connection_t* connection, xcb_window_t window, const char* wanted)
{
    xcb_icccm_get_wm_class_reply_t wmClass;
    if (!xcb_icccm_get_wm_class_reply(connection, xcb_icccm_get_wm_class(connection, window), &wmClass,
                                      nullptr))
        return false;
    const bool match = (wmClass.class_name && strcasecmp(wmClass.class_name, wanted) == 0)
        || (wmClass.instance_name && strcasecmp(wmClass.instance_name, wanted) == 0);
    xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    return match;
}

bool isViewable(xcb_connection_t* connection, xcb_window_t window)
{
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr),
        &std::free);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<xcb_window_t> children(xcb_connection_t* connection, xcb_window_t window)
{
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr), &std::free);
    if (!tree)
        return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> list(first, first + xcb_query_tree_children_length(tree.get()));
    // The tree lists children bottom to top; look at the topmost first.
    return {list.rbegin(), list.rend()};
}

// A mapped top-level client of the class: a direct child of the root, or, under a
// reparenting window manager, a child of one of its frames.
xcb_window_t findTopLevel(xcb_connection_t* connection, xcb_window_t root, const char* wanted)
{
    for (xcb_window_t top : children(connection, root)) {
        if (!isViewable(connection, top))
            continue;
        if (hasClass(connection, top, wanted))
            return top;
        for (xcb_window_t client : children(connection, top))
            if (isViewable(connection, client) && hasClass(connection, client, wanted))
                return client;
    }
    return XCB_WINDOW_NONE;
}

// Today's X11 behaviour: one mapped top-level window of the class, found on
// Qt's own X11 connection, is sent WM_DELETE_WINDOW. False when this program
// is not on X11 or no such window exists.
bool closeX11Window(const Calculator& calculator)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t* connection = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(connection);
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        const xcb_window_t window = findTopLevel(connection, screens.data->root, calculator.windowClass);
        if (window == XCB_WINDOW_NONE)
            continue;
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = internAtom(connection, "WM_PROTOCOLS");
        event.data.data32[0] = internAtom(connection, "WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(connection);
        return true; // one window only
    }
    return false;
}

// This program on a Wayland desktop: natively, or through XWayland in a
// Wayland session. Without a desktop at all (the offscreen platform) there is
// nothing to close, as on X11, even when the environment names a session.
bool onWaylandDesktop()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
    return platform == QLatin1String("xcb")
        && (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"));
}

// Peers that hang must not freeze the window for long: each call has its own
// short timeout, and the look-ups all run at once.
constexpr int kLookupTimeoutMs = 1000;
constexpr int kCloseTimeoutMs = 3000;

// The window numbers a GtkApplication exports under <path>/window, from the
// introspection data, in the order listed.
QStringList windowNodes(const QString& introspection)
{
    QStringList nodes;
    QXmlStreamReader xml(introspection);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            // Children of the top node only.
            if (++depth == 2 && xml.name() == QLatin1String("node"))
                nodes << xml.attributes().value(QLatin1String("name")).toString();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return nodes;
}

// One window of the calculator on the session bus, asked to close through
// its own "close" action, as its close box would. The connection that owns
// the calculator's name comes first; without it every connection on the bus
// is asked whether it exports calculator windows, all at once.
bool closeThroughSessionBus(const Calculator& calculator)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString busName = QString::fromLatin1(calculator.busName);
    const QString windowsPath = QString::fromLatin1(calculator.busPath) + QStringLiteral("/window");

    QStringList peers;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(busName);
    if (owner.isValid())
        peers << owner.value();
    else
        for (const QString& name : bus.interface()->registeredServiceNames().value())
            if (name.startsWith(QLatin1Char(':')) && name != bus.baseService())
                peers << name;

    std::vector<std::pair<QString, QDBusPendingCall>> lookups;
    for (const QString& peer : std::as_const(peers)) {
        QDBusMessage introspect = QDBusMessage::createMethodCall(
            peer, windowsPath, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
        introspect.setAutoStartService(false);
        lookups.emplace_back(peer, bus.asyncCall(introspect, kLookupTimeoutMs));
    }
    for (auto& [peer, call] : lookups) {
        QDBusPendingReply<QString> reply = call;
        reply.waitForFinished();
        if (reply.isError())
            continue;
        for (const QString& window : windowNodes(reply.value())) {
            QDBusMessage close = QDBusMessage::createMethodCall(
                peer, windowsPath + QLatin1Char('/') + window, QStringLiteral("org.gtk.Actions"),
                QStringLiteral("Activate"));
            close << QStringLiteral("close") << QVariant::fromValue(QVariantList())
                  << QVariant::fromValue(QVariantMap());
            close.setAutoStartService(false);
            if (bus.call(close, QDBus::Block, kCloseTimeoutMs).type() == QDBusMessage::ReplyMessage)
                return true; // one window only
        }
    }
    return false;
}

// Whether the process is still the program that was started under that id,
// and not a later process that was given the same id.
bool isRunning(const long long pid, const std::string& program)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile cmdline(proc + QStringLiteral("cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return false;
    const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
    if (argv0 == QByteArray::fromStdString(program))
        return true;
    const QString started = QFileInfo(QString::fromStdString(program)).canonicalFilePath();
    return !started.isEmpty() && QFileInfo(proc + QStringLiteral("exe")).canonicalFilePath() == started;
}

} // namespace

CalculatorStart SystemCalculator::start()
{
    QString path;
    if (!findCalculator(&path)) {
        std::string names;
        for (const Calculator& c : kCalculators)
            names += std::string(names.empty() ? "" : ", ") + c.program;
        return {CalculatorError::NotInstalled, names};
    }
    // Those that ended by themselves need not be remembered any longer.
    std::erase_if(m_started, [](const Started& s) { return !isRunning(s.pid, s.program); });
    qint64 pid = 0;
    if (!QProcess::startDetached(path, {}, QString(), &pid))
        return {CalculatorError::NotStarted, path.toStdString()};
    m_started.push_back({pid, path.toStdString()});
    return {CalculatorError::None, path.toStdString()};
}

void SystemCalculator::closeOne()
{
    const Calculator* calculator = findCalculator();
    if (calculator && closeX11Window(*calculator))
        return;
    // On X11 sessions that is all: a calculator window not found is not an
    // error, and nothing else is tried.
    if (!onWaylandDesktop())
        return;
    if (calculator && calculator->busName && closeThroughSessionBus(*calculator))
        return;
    // The last resort: the most recent calculator started here that still
    // runs is asked to end (SIGTERM, which it may handle; never killed).
    // Those that ended by themselves are forgotten on the way.
    while (!m_started.empty()) {
        const Started started = m_started.back();
        m_started.pop_back();
        if (isRunning(started.pid, started.program)) {
            ::kill(static_cast<pid_t>(started.pid), SIGTERM);
            return;
        }
    }
}

} // namespace platform
