// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webpanel.h"
#include "pageserver.h"
#include "urlrecorder.h"
#include "platform/webengineguard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHostAddress>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

#include <signal.h>
#include <unistd.h>

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
    // Asks for what nobody is there to grant, and says what it got.
    {"/ask.html",
     "<html><body><script>"
     "function report(k, v) { fetch('/report?' + k + '=' + v); }"
     "Notification.requestPermission().then(function (p) { report('notifications', p); });"
     "navigator.geolocation.getCurrentPosition(function () { report('geolocation', 'granted'); },"
     " function (e) { report('geolocation', e.code == e.PERMISSION_DENIED ? 'denied' : 'failed'); });"
     "var img = new Image();"
     "img.onload = function () { report('qrc', 'loaded'); };"
     "img.onerror = function () { report('qrc', 'refused'); };"
     "img.src = 'qrc:/qt-project.org/styles/commonstyle/images/file-16.png';"
     "report('heap', performance.memory.jsHeapSizeLimit <= 128 * 1048576 ? 'bounded'"
     " : performance.memory.jsHeapSizeLimit);"
     "</script></body></html>"},
    // Never finishes loading.
    {"/hang.html", "<html><body><script>for (;;) {}</script></body></html>"},
    // Shown at once, but one of its pictures never comes.
    {"/slow.html", "<html><body>slow<img src='/never.png'></body></html>"},
    // Loads, then never answers again.
    {"/busy.html",
     "<html><body>busy<script>"
     "window.onload = function () { setTimeout(function () { for (;;) {} }, 100); };"
     "</script></body></html>"},
    // Two links side by side, each 180 px wide, in the visible strip.
    {"/links.html",
     "<html><body style='margin:0;background:#00ffff'>"
     "<a href='/blank.html' target='_blank' style='position:absolute;left:0;top:0;width:180px;height:140px'>a</a>"
     "<a href='/other.html' style='position:absolute;left:400px;top:0;width:180px;height:140px'>c</a>"
     "</body></html>"},
};

// The main window's bottom strip in small: a top-level widget holding the
// sunken frame that hosts the panel.
bool hasFinished(const QSignalSpy& spy, bool ok)
{
    for (const QList<QVariant>& args : spy) {
        if (args.at(0).toBool() == ok)
            return true;
    }
    return false;
}

QFrame* sunkenFrame(QWidget* window)
{
    auto* frame = new QFrame(window);
    frame->setObjectName(QStringLiteral("Picture1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(32, 32, 585, 97);
    return frame;
}

struct Host {
    Host() { window.resize(640, 160); }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    // Shows the window with url to load, and waits until it has loaded.
    bool showLoaded(const QUrl& url)
    {
        panel->navigate(url);
        return show() && QTest::qWaitFor([this] { return hasFinished(finished, true); }, loadTimeout);
    }

    QWidget window;
    QFrame* frame = sunkenFrame(&window);
    WebPanel* panel = new WebPanel(frame, QStringLiteral("WebBrowser1"), QRect(-8, -8, 625, 129));
    QSignalSpy finished{panel, &WebPanel::loadFinished};
};

// What Ctrl+A selects in the panel's page: pressed again until something
// is selected (the renderer may not take keys yet) or the time is up.
QString selectAll(Host& host, int timeoutMs)
{
    QWidget* view = host.panel->view();
    const auto selected = [view] { return view->property("selectedText").toString(); };
    for (QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired();) {
        if (QWidget* page = view->focusProxy())
            QTest::keyClick(page, Qt::Key_A, Qt::ControlModifier);
        if (QTest::qWaitFor([&] { return !selected().isEmpty(); }, 500))
            return selected();
    }
    return {};
}

int visibleTopLevels()
{
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

// The field of /proc/PID/stat after "pid (comm) state ": the command may
// hold blanks, so the fields are counted from its closing parenthesis.
QByteArray statField(qint64 pid, int index)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ').value(index);
}

// The renderer processes the browser engine started for this test: forked
// by the engine's zygote, they are the engine's processes whose parent is
// one of the engine's processes.
QList<qint64> rendererPids()
{
    QList<qint64> found;
    const qint64 self = QCoreApplication::applicationPid();
    const auto isEngine = [](qint64 pid) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        return comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QtWebEngineProc");
    };
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || !isEngine(pid))
            continue;
        const qint64 zygote = statField(pid, 1).toLongLong();
        if (isEngine(zygote) && statField(zygote, 1).toLongLong() == self)
            found << pid;
    }
    return found;
}

// Processor time (clock ticks) the given processes have used so far.
qint64 cpuTicks(const QList<qint64>& pids)
{
    qint64 ticks = 0;
    for (qint64 pid : pids) // utime and stime
        ticks += statField(pid, 11).toLongLong() + statField(pid, 12).toLongLong();
    return ticks;
}

QString reported(const PageServer& server, const QString& key)
{
    const QString prefix = QStringLiteral("/report?%1=").arg(key);
    for (const QString& request : server.requests()) {
        if (request.startsWith(prefix))
            return request.mid(prefix.size());
    }
    return {};
}

bool runningAsRoot()
{
    return ::getuid() == 0;
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
    void pageRequestsAreRefused_data();
    void pageRequestsAreRefused();
    void hungPageIsEndedAndGivenUp_data();
    void hungPageIsEndedAndGivenUp();
    void slowRequestKeepsThePage();
    void crashedRendererReloadsAtOnce();
    void tabLeavesThePanel();
    void clickedNewWindowOpensInBrowser_data();
    void clickedNewWindowOpensInBrowser();
    void sandboxSwitchIsReadAsChromiumDoes_data();
    void sandboxSwitchIsReadAsChromiumDoes();
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
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/advert.html"))));

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
    for (const QString& path : navigated)
        host.panel->navigate(server.url(path));
    QVERIFY(!host.panel->view());
    QTest::qWait(50);
    QVERIFY2(server.requests().isEmpty(), "nothing loads before the frame is painted");

    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
    QCOMPARE(server.requests(), QStringList{loaded});
}

void TstWebPanel::reportsEachLoad_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("ok");
    QTest::newRow("page from the server loads") << true << true;
    QTest::newRow("closed port fails into an empty page") << false << false;
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
    QVERIFY(host.show());
    QVERIFY(created.wait(loadTimeout));
    host.panel->navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(host.finished.first().at(0).toBool(), ok);
    QVERIFY(host.panel->view()->isVisible());
    // Whatever the session's language, the advert is asked for in the program's.
    if (reachable)
        QVERIFY2(server.languages().value(0).startsWith(QLatin1String("zh-CN")),
                 qPrintable(server.languages().value(0)));
    // A page that could not be had leaves nothing to read in the panel (no
    // engine error page, in whatever language): selecting all selects nothing.
    // The page that loads has its one word to select.
    if (ok)
        QCOMPARE(selectAll(host, 10000), QStringLiteral("advert"));
    else
        QCOMPARE(selectAll(host, 1000), QString());

    // The panel goes on working after a failed page.
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
}

void TstWebPanel::pageOpensNoWindow()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    UrlRecorder browser;
    Host host;
    QVERIFY(host.show());
    const int before = visibleTopLevels();

    host.panel->navigate(server.url(QStringLiteral("/opener.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
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
    QVERIFY2(browser.opened().isEmpty(), "a window without a click went to the desktop's browser");
}

void TstWebPanel::pageRequestsAreRefused_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("answer");
    QTest::newRow("notifications are denied") << "notifications" << "denied";
    QTest::newRow("the location is denied") << "geolocation" << "denied";
    QTest::newRow("the program's resources are out of reach") << "qrc" << "refused";
    QTest::newRow("the script heap is bounded") << "heap" << "bounded";
}

void TstWebPanel::pageRequestsAreRefused()
{
    QFETCH(QString, request);
    QFETCH(QString, answer);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/ask.html"))));
    // Unanswered, a request would stay pending and the page say nothing.
    QTRY_VERIFY_WITH_TIMEOUT(!reported(server, request).isEmpty(), 20000);
    QCOMPARE(reported(server, request), answer);
}

void TstWebPanel::hungPageIsEndedAndGivenUp_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("a load that never finishes") << "/hang.html";
    QTest::newRow("a loaded page that stops answering") << "/busy.html";
}

void TstWebPanel::hungPageIsEndedAndGivenUp()
{
    QFETCH(QString, path);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    host.panel->setPatience({std::chrono::milliseconds(1500), std::chrono::milliseconds(1500)});
    host.panel->navigate(server.url(path));
    QVERIFY(host.show());

    // Ended and loaded again twice, then given up.
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().count(path), 3, loadTimeout);
    QTest::qWait(5000);
    QCOMPARE(server.requests().count(path), 3);
    // Nothing of the page burns a processor any more: a renderer in an
    // endless loop would take about 100 ticks in this second.
    const QList<qint64> renderers = rendererPids();
    const qint64 before = cpuTicks(renderers);
    QTest::qWait(1000);
    QVERIFY2(cpuTicks(renderers) - before < 30, "a renderer is still running the page's loop");

    // The panel's next load is tried afresh.
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
}

// A page that is shown and answers, but one of whose requests never ends:
// its load is stopped, the renderer left alone and the page kept.
void TstWebPanel::slowRequestKeepsThePage()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    host.panel->setPatience({std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)});
    host.panel->navigate(server.url(QStringLiteral("/slow.html")));
    QVERIFY(host.show());

    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(server.requests().count(QStringLiteral("/slow.html")), 1);
    QVERIFY(selectAll(host, 10000).startsWith(QLatin1String("slow")));
    QCOMPARE(server.requests().count(QStringLiteral("/slow.html")), 1);
}

void TstWebPanel::crashedRendererReloadsAtOnce()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    // Far longer than this test waits: each reload must come from a crash.
    // A second chance comes back after the retry window, so three crashes
    // spread out are each followed by a reload, one more than a load has at once.
    const std::chrono::milliseconds retryWindow(800);
    host.panel->setPatience({std::chrono::minutes(5), std::chrono::minutes(5), retryWindow});
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/advert.html"))));

    for (int crash = 1; crash <= 3; ++crash) {
        if (crash == 3)
            QTest::qWait(int(retryWindow.count())); // the first second chance comes back
        const QList<qint64> renderers = rendererPids();
        QVERIFY(!renderers.isEmpty());
        host.finished.clear();
        for (qint64 pid : renderers)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), 15000);
        QCOMPARE(server.requests(), QStringList(crash + 1, QStringLiteral("/advert.html")));
    }
}

// The panel is one stop in its window's Tab order: Tab moves on to the next
// control instead of walking through the page's links.
void TstWebPanel::tabLeavesThePanel()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    auto* next = new QLineEdit(&host.window);
    next->move(0, 140);
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/links.html"))));
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    QWidget* page = host.panel->view()->focusProxy();
    QVERIFY(page);
    page->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), page);

    QTest::keyClick(page, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), next);
    QTest::keyClick(next, Qt::Key_Backtab);
    QTRY_COMPARE(QApplication::focusWidget(), page);
    QTest::keyClick(page, Qt::Key_Backtab);
    QTRY_VERIFY(QApplication::focusWidget() != page);
}

void TstWebPanel::clickedNewWindowOpensInBrowser_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("navigated");
    QTest::newRow("target=_blank link") << 90 << "/blank.html" << "";
    QTest::newRow("ordinary link stays in the panel") << 490 << "" << "/other.html";
}

void TstWebPanel::clickedNewWindowOpensInBrowser()
{
    QFETCH(int, x);
    QFETCH(QString, opened);
    QFETCH(QString, navigated);
    PageServer server(pages);
    QVERIFY(server.isListening());
    UrlRecorder browser;
    Host host;
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/links.html"))));
    host.finished.clear();
    // The engine takes clicks only once the page is on screen.
    const QPoint centre = host.frame->geometry().center();
    QTRY_VERIFY_WITH_TIMEOUT(host.window.grab().toImage().pixelColor(centre) == QColor(0, 255, 255),
                             loadTimeout);

    QWidget* page = host.panel->view()->focusProxy();
    QVERIFY(page);
    // Clicked within the visible strip, below the browser's hidden edge.
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(x, 50));
    if (!opened.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(browser.opened(), QList<QUrl>{server.url(opened)}, 20000);
        QVERIFY(!server.requests().contains(opened));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
        QCOMPARE(server.requests().last(), navigated);
        QVERIFY(browser.opened().isEmpty());
    }
}

void TstWebPanel::sandboxSwitchIsReadAsChromiumDoes_data()
{
    QTest::addColumn<QString>("flags");
    QTest::addColumn<bool>("off");
    QTest::newRow("among others, blanks between") << "--disable-gpu  --no-sandbox" << true;
    // The engine splits at plain blanks only: one word, the sandbox stays on.
    QTest::newRow("a tab is no blank to the engine") << "--disable-gpu\t--no-sandbox" << false;
    QTest::newRow("after a bare --, an argument") << "--disable-gpu -- --no-sandbox" << false;
    QTest::newRow("quoted, left to the engine") << "\"--no-sandbox\"" << false;
    QTest::newRow("a longer switch") << "--no-sandboxing" << false;
}

void TstWebPanel::sandboxSwitchIsReadAsChromiumDoes()
{
    QFETCH(QString, flags);
    QFETCH(bool, off);
    QCOMPARE(platform::flagsTurnSandboxOff(flags), off);
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
    QVERIFY(host.show());

    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);

    // The refused load ends as a failed one.
    host.finished.clear();
    host.panel->navigate(QUrl::fromLocalFile(file.fileName()));
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QVERIFY2(!hasFinished(host.finished, true), "the local file was loaded");

    // The refusal is silent and leaves the panel working.
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
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
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QTest::qWait(500);
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTest::qWait(500);

    QVERIFY(!host.panel->view());
    QVERIFY(host.frame->findChildren<QWidget*>().isEmpty());
    QCOMPARE(created.count(), 0);
    QCOMPARE(host.finished.count(), 0);
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
