// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a real X server, with its web panel loading a page:
// what the X server and a window manager see of it.
#include "pageserver.h"
#include "platform/webpanel.h"
#include "ui/main/form1.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

namespace {

constexpr Page kPages[] = {
    {"/guanggao54.html", "<html><body style='margin:0;background:#00c000'>advert</body></html>"},
};

// Counts the MapNotify events of the process's own windows that are not
// override-redirect (menus and tooltips are): the windows a window manager
// manages. Qt asks for structure notifications on every top-level window.
class MapCounter : public QAbstractNativeEventFilter {
public:
    int maps = 0;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = static_cast<const xcb_map_notify_event_t*>(message);
            if (!map->override_redirect && map->event == map->window)
                ++maps;
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
    // Past the page's first frames, a re-creation would long have happened.
    QTest::qWait(2000);

    QCOMPARE(counter.maps, 1);
    QCOMPARE(w.winId(), first);
    qApp->removeNativeEventFilter(&counter);
}

QTEST_MAIN(TstX11Window)
#include "tst_x11window.moc"
