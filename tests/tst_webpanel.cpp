// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webpanel.h"
#include "pageserver.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHostAddress>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using platform::WebPanel;

namespace {

// Generous: the first view of a run starts the engine's processes.
constexpr int loadTimeout = 60000;

// The pages the loopback server knows; any other path gets a 404.
constexpr Page pages[] = {
    {"/advert.html", "<html><body style='margin:0;background:#ff00ff'>advert</body></html>"},
    {"/other.html", "<html><body>other</body></html>"},
    // Tries every way a page has to open a window, then says what it got.
    {"/opener.html",
     "<html><body><a id='blank' href='/popup.html' target='_blank'>x</a><script>"
     "var w = window.open('/popup.html', 'ad', 'width=200,height=200');"
     "document.getElementById('blank').click();"
     "fetch('/report?opened=' + (w ? 1 : 0));"
     "</script></body></html>"},
    {"/popup.html", "<html><body>popup</body></html>"},
};

// The main window's bottom strip in small: a top-level widget holding the
// sunken frame that hosts the panel.
struct Host {
    Host()
    {
        window.resize(640, 160);
        frame = new QFrame(&window);
        frame->setObjectName(QStringLiteral("Picture1"));
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setGeometry(32, 32, 585, 97);
        panel = new WebPanel(frame);
    }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    QWidget window;
    QFrame* frame;
    WebPanel* panel;
};

bool hasFinished(const QSignalSpy& spy, bool ok)
{
    for (const QList<QVariant>& args : spy) {
        if (args.at(0).toBool() == ok)
            return true;
    }
    return false;
}

int visibleTopLevels()
{
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::getuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TstWebPanel : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void browserOverhangsItsFrame();
    void showsThePageInsideTheFrame();
    void loadsWhatWasNavigatedBeforeFirstPaint_data();
    void loadsWhatWasNavigatedBeforeFirstPaint();
    void reportsEachLoad_data();
    void reportsEachLoad();
    void pageOpensNoWindow();
    void localFilesAreRefused();
    void panelStaysEmptyWithoutEngine_data();
    void panelStaysEmptyWithoutEngine();
    void rootWithSandboxOnLeavesPanelEmpty();
};

void TstWebPanel::cleanup()
{
    qunsetenv("ZELVAN_WEBVIEW_PLUGIN");
}

void TstWebPanel::browserOverhangsItsFrame()
{
    Host host;
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    QVERIFY(!host.panel->view());
    QVERIFY(host.show());
    QVERIFY(created.wait(loadTimeout));

    QWidget* view = host.panel->view();
    QVERIFY(view);
    QCOMPARE(view->objectName(), QStringLiteral("WebBrowser1"));
    // Placed in the frame's client area, inside its border.
    QVERIFY(view->parentWidget());
    QCOMPARE(view->parentWidget()->parentWidget(), host.frame);
    QCOMPARE(view->parentWidget()->geometry(), host.frame->contentsRect());
    QVERIFY(view->isVisible());
    QCOMPARE(view->geometry(), QRect(-8, -8, 625, 129));
    QCOMPARE(created.count(), 1);
}

void TstWebPanel::showsThePageInsideTheFrame()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);

    // The page's magenta fills the inside of the frame up to its sunken
    // border, which stays visible around the browser.
    const QColor magenta(255, 0, 255);
    const QRect outer = host.frame->geometry();
    const QRect inner = host.frame->contentsRect().translated(outer.topLeft());
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT((shot = host.window.grab().toImage(),
                              shot.pixelColor(outer.center()) == magenta),
                             loadTimeout);
    for (const QPoint& p : {inner.topLeft(), inner.bottomRight()})
        QCOMPARE(shot.pixelColor(p), magenta);
    for (const QPoint& p : {outer.topLeft(), outer.bottomRight()})
        QVERIFY(shot.pixelColor(p) != magenta);
}

void TstWebPanel::loadsWhatWasNavigatedBeforeFirstPaint_data()
{
    QTest::addColumn<QStringList>("navigated");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("one address before paint is loaded after it")
        << QStringList{"/advert.html"} << "/advert.html";
    QTest::newRow("the latest of two addresses before paint wins")
        << QStringList{"/other.html", "/advert.html"} << "/advert.html";
}

void TstWebPanel::loadsWhatWasNavigatedBeforeFirstPaint()
{
    QFETCH(QStringList, navigated);
    QFETCH(QString, loaded);

    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    for (const QString& path : navigated)
        host.panel->navigate(server.url(path));
    QVERIFY(!host.panel->view());
    QTest::qWait(50);
    QVERIFY2(server.requests().isEmpty(), "nothing loads before the frame is painted");

    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);
    QCOMPARE(server.requests(), QStringList{loaded});
}

void TstWebPanel::reportsEachLoad_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("ok");
    QTest::newRow("page from the server loads") << true << true;
    QTest::newRow("closed port fails into the error page") << false << false;
}

void TstWebPanel::reportsEachLoad()
{
    QFETCH(bool, reachable);
    QFETCH(bool, ok);

    PageServer server(pages);
    QVERIFY(server.isListening());
    QUrl url = server.url(QStringLiteral("/advert.html"));
    if (!reachable) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        url.setPort(closed.serverPort());
    }

    Host host;
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    QVERIFY(host.show());
    QVERIFY(created.wait(loadTimeout));
    host.panel->navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), loadTimeout);
    QCOMPARE(finished.first().at(0).toBool(), ok);
    QVERIFY(host.panel->view()->isVisible());

    // The panel goes on working after a failed page.
    finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);
}

void TstWebPanel::pageOpensNoWindow()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    QVERIFY(host.show());
    const int before = visibleTopLevels();

    host.panel->navigate(server.url(QStringLiteral("/opener.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);
    const auto report = [&server] {
        const QStringList found = server.requests().filter(QStringLiteral("/report?"));
        return found.value(0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(!report().isEmpty(), loadTimeout);
    QCOMPARE(report(), QStringLiteral("/report?opened=0"));
    QTest::qWait(500);

    QVERIFY2(!server.requests().contains(QStringLiteral("/popup.html")),
             "a pop-up was loaded");
    QCOMPARE(visibleTopLevels(), before);
}

void TstWebPanel::localFilesAreRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("local.html")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body>local</body></html>");
    file.close();

    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    QVERIFY(host.show());

    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);

    // With the engine warm a local page would load well within the wait.
    finished.clear();
    host.panel->navigate(QUrl::fromLocalFile(file.fileName()));
    QTest::qWait(3000);
    QVERIFY2(!hasFinished(finished, true), "the local file was loaded");

    // The refusal is silent and leaves the panel working.
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(finished, true), loadTimeout);
    QCOMPARE(server.requests().last(), QStringLiteral("/other.html"));
}

void TstWebPanel::panelStaysEmptyWithoutEngine_data()
{
    QTest::addColumn<QByteArray>("module");
    QTest::newRow("module missing") << QByteArray("/nonexistent/zelvan/libzelvan_webview.so");
    QTest::newRow("module not a plugin") << QCoreApplication::applicationFilePath().toLocal8Bit();
}

void TstWebPanel::panelStaysEmptyWithoutEngine()
{
    QFETCH(QByteArray, module);
    qputenv("ZELVAN_WEBVIEW_PLUGIN", module);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    QSignalSpy finished(host.panel, &WebPanel::loadFinished);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QTest::qWait(500);
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTest::qWait(500);

    QVERIFY(!host.panel->view());
    QVERIFY(host.frame->findChildren<QWidget*>().isEmpty());
    QCOMPARE(created.count(), 0);
    QCOMPARE(finished.count(), 0);
    QVERIFY(server.requests().isEmpty());
    QVERIFY(host.window.isVisible());
}

// Chromium ends a root process whose sandbox is on, so this case must run
// in a process of its own without the switches the other tests get; ctest
// does that as tst_webpanel_nosandbox.
void TstWebPanel::rootWithSandboxOnLeavesPanelEmpty()
{
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")
        || qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox")))
        QSKIP("runs without the sandbox switches, as tst_webpanel_nosandbox");
    if (!runningAsRoot())
        QSKIP("only a root process meets the engine's refusal");

    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QTest::qWait(2000);

    QVERIFY(!host.panel->view());
    QCOMPARE(created.count(), 0);
    QVERIFY(server.requests().isEmpty());
    QVERIFY(host.window.isVisible());
}

QTEST_MAIN(TstWebPanel)
#include "tst_webpanel.moc"
