// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a real X server, with its web panel loading a page:
// what the X server and a window manager see of it.
#include "pageserver.h"
#include "watchbounds.h"
#include "platform/webpanel.h"
#include "ui/main/form1.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <string_view>

#include <xcb/xcb.h>

namespace {

constexpr Page kPages[] = {
    {"/guanggao54.html", "<html><body style='margin:0;background:#00c000'>advert</body></html>"},
};

// Counts the MapNotify events of the process's own windows that are not
// override-redirect (menus and tooltips are): the windows a window manager
// manages. Qt asks for structure and property notifications on every
// top-level window; the property change of a marker tells when every event
// the server made before it has been seen.
class MapCounter : public QAbstractNativeEventFilter {
public:
    int maps = 0;
    xcb_atom_t marker = XCB_ATOM_NONE;
    bool markerSeen = false;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = static_cast<const xcb_map_notify_event_t*>(message);
            if (!map->override_redirect && map->event == map->window)
                ++maps;
        } else if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
            markerSeen = markerSeen || (marker != XCB_ATOM_NONE && property->atom == marker);
        }
        return false;
    }
};

} // namespace

class TstX11Window : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void mappedOnceWhileTheBrowserStarts();
};

void TstX11Window::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run-under-xvfb.sh)");
}

// Inserting the browser must not make Qt re-create the main window's native
// window: a window manager would see it unmapped, destroyed and mapped anew.
void TstX11Window::mappedOnceWhileTheBrowserStarts()
{
    PageServer server(kPages);
    QVERIFY(server.isListening());
    MapCounter counter;
    qApp->installNativeEventFilter(&counter);

    Form1 w(QStringLiteral("127.0.0.1:%1").arg(server.port()), QStringLiteral("."));
    QSignalSpy loaded(w.webPanel(), &platform::WebPanel::loadFinished);
    // However slow the engine, the page is never ended and loaded again.
    w.webPanel()->setPatience(unhurried());
    w.webPanel()->setLimits(outOfReach());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const WId first = w.winId();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 60000);
    QVERIFY(loaded.first().first().toBool());

    // The page on screen, in the panel.
    auto* panel = w.findChild<QFrame*>(QStringLiteral("Picture1"));
    QVERIFY(panel);
    const QPoint centre = panel->rect().center();
    QTRY_VERIFY_WITH_TIMEOUT(panel->grab().toImage().pixelColor(centre) == QColor(0, 192, 0), 60000);
    // The page has drawn, so a re-creation has been asked of the server by
    // now: its MapNotify comes before the event of a later property change.
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    QVERIFY(x11);
    xcb_connection_t* connection = x11->connection();
    constexpr std::string_view name = "ZELVAN_TEST_MARKER";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, name.size(), name.data()), nullptr);
    QVERIFY(atom);
    counter.marker = atom->atom;
    free(atom); // xcb allocates its replies with malloc
    const char value = 1;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(w.winId()), counter.marker, XCB_ATOM_INTEGER, 8,
                        1, &value);
    xcb_flush(connection);
    QTRY_VERIFY_WITH_TIMEOUT(counter.markerSeen, 10000);

    QCOMPARE(counter.maps, 1);
    QCOMPARE(w.winId(), first);
    qApp->removeNativeEventFilter(&counter);
}

QTEST_MAIN(TstX11Window)
#include "tst_x11window.moc"
