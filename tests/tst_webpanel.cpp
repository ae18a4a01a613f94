// SPDX-License-Identifier: GPL-3.0-or-later
#include "webpanelfixture.h"
#include "urlrecorder.h"
#include "platform/webengineguard.h"

#include <QClipboard>
#include <QGuiApplication>

#ifdef Q_OS_WIN
#include "platform/urlopener.h"
#include "platform/win32/webbrowser_win.h"

#include <QFileInfo>
#include <QScreen>
#include <QSettings>

#include <shobjidl.h>
#endif

class TstWebPanel : public QObject {
    Q_OBJECT

    // The page of pageRequestsAreRefused, kept for its rows.
    struct Asking {
        PageServer server{pages};
        Host host;
    };
    std::unique_ptr<Asking> m_asking;

private slots:
    void init();
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
    void tabLeavesThePanel();
    void clickedNewWindowOpensInBrowser_data();
    void clickedNewWindowOpensInBrowser();
    void clickedPageHasNoHold_data();
    void clickedPageHasNoHold();
    void restlessPageIsStopped_data();
    void restlessPageIsStopped();
    void sandboxSwitchIsReadAsChromiumDoes_data();
    void sandboxSwitchIsReadAsChromiumDoes();
    void panelStaysEmptyWithoutEngine_data();
    void panelStaysEmptyWithoutEngine();
    void rootWithSandboxOnLeavesPanelEmpty();
#ifdef Q_OS_WIN
    void systemControlFillsThePanel();
    void systemControlAsksForTheAdvert();
    void systemControlFailedLoadLeavesPanelEmpty_data();
    void systemControlFailedLoadLeavesPanelEmpty();
    void systemControlNavigationPolicy_data();
    void systemControlNavigationPolicy();
    void systemControlRefusesOtherHandlers();
    void systemControlNewWindowPolicy_data();
    void systemControlNewWindowPolicy();
    void systemControlSetsDocumentMode_data();
    void systemControlSetsDocumentMode();
    void systemControlIsOneTabStop_data();
    void systemControlIsOneTabStop();
#endif
};

void TstWebPanel::init()
{
    if (qstrcmp(QTest::currentTestFunction(), "pageRequestsAreRefused") != 0)
        m_asking.reset();
}

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
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
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
    QTRY_VERIFY_WITH_TIMEOUT((shot = host.window.grab().toImage(), shot.pixelColor(outer.center()) == magenta),
                             loadTimeout);
    for (const QPoint& p : {inner.topLeft(), inner.bottomRight()})
        QCOMPARE(shot.pixelColor(p), magenta);
    for (const QPoint& p : {outer.topLeft(), outer.bottomRight()})
        QVERIFY(shot.pixelColor(p) != magenta);
}

// clang-format off
void TstWebPanel::loadsWhatWasNavigatedBeforeFirstPaint_data()
{
    QTest::addColumn<QStringList>("navigated");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("one address before paint is loaded after it")
        << QStringList{"/advert.html"} << "/advert.html";
    QTest::newRow("the latest of two addresses before paint wins")
        << QStringList{"/other.html", "/advert.html"} << "/advert.html";
}
// clang-format on

void TstWebPanel::loadsWhatWasNavigatedBeforeFirstPaint()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
    QFETCH(QStringList, navigated);
    QFETCH(QString, loaded);

    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    for (const QString& path : navigated)
        host.panel->navigate(server.url(path));
    // Nothing can load without the browser, made only after the paint.
    QVERIFY(!host.panel->view());
    QVERIFY(server.requests().isEmpty());

    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
    // Once, and only the latest address.
    QCOMPARE(server.requests(), QStringList{loaded});
}

// clang-format off
void TstWebPanel::reportsEachLoad_data()
{
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("ok");
    QTest::newRow("page from the server loads") << true << true;
    QTest::newRow("closed port fails into an empty page") << false << false;
}
// clang-format on

void TstWebPanel::reportsEachLoad()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
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
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
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
    // A pop-up asked for before the report would have loaded by the time
    // the panel's next page has.
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);

    QVERIFY2(!server.requests().contains(QStringLiteral("/popup.html")), "a pop-up was loaded");
    QCOMPARE(visibleTopLevels(), before);
    QVERIFY2(browser.opened().isEmpty(), "a window without a click went to the desktop's browser");
}

// clang-format off
void TstWebPanel::pageRequestsAreRefused_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("answer");
    QTest::newRow("notifications are denied") << "notifications" << "denied";
    QTest::newRow("the location is denied") << "geolocation" << "denied";
    QTest::newRow("the program's resources are out of reach") << "qrc" << "refused";
    QTest::newRow("the script heap is bounded") << "heap" << "bounded";
    // The engine speaks the program's language whatever the session's.
    QTest::newRow("the page's locale is Chinese") << "locale" << "zh-CN";
    QTest::newRow("the engine's own texts are Chinese") << "form" << "请填写此字段。";
}
// clang-format on

void TstWebPanel::pageRequestsAreRefused()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
    QFETCH(QString, request);
    QFETCH(QString, answer);
    // One page asks everything; its rows share it.
    if (!m_asking) {
        m_asking = std::make_unique<Asking>();
        QVERIFY(m_asking->server.isListening());
        QVERIFY(m_asking->host.showLoaded(m_asking->server.url(QStringLiteral("/ask.html"))));
    }
    const PageServer& server = m_asking->server;
    // Unanswered, a request would stay pending and the page say nothing.
    QTRY_VERIFY_WITH_TIMEOUT(!reported(server, request).isEmpty(), 20000);
    QCOMPARE(QUrl::fromPercentEncoding(reported(server, request).toUtf8()), answer);
}

// The panel is one stop in its window's Tab order: Tab moves on to the next
// control instead of walking through the page's links.
void TstWebPanel::tabLeavesThePanel()
{
#ifdef Q_OS_WIN
    QSKIP("the engine's page widget (systemControlIsOneTabStop is Windows' case)");
#endif
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

// clang-format off
void TstWebPanel::clickedNewWindowOpensInBrowser_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("navigated");
    QTest::newRow("target=_blank link") << 90 << "/blank.html" << "";
    QTest::newRow("ordinary link stays in the panel") << 490 << "" << "/other.html";
}
// clang-format on

void TstWebPanel::clickedNewWindowOpensInBrowser()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
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
    QTRY_VERIFY_WITH_TIMEOUT(host.window.grab().toImage().pixelColor(centre) == QColor(0, 255, 255), loadTimeout);

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

// clang-format off
void TstWebPanel::clickedPageHasNoHold_data()
{
    QTest::addColumn<QString>("path");
    // The page asks whether it may be left: the program's next load goes
    // ahead all the same.
    QTest::newRow("a page that objects to being left") << "/stay.html";
    // The page copies its own text on the click: the user's stays.
    QTest::newRow("a page that writes the clipboard") << "/copy.html";
}
// clang-format on

// What a click gives a page (the engine's user activation) gives it no hold
// on the program: it neither keeps itself on screen nor writes the
// clipboard the user's values are copied through.
void TstWebPanel::clickedPageHasNoHold()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
    QFETCH(QString, path);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("12.34567"));
    QVERIFY(host.showLoaded(server.url(path)));
    const QPoint centre = host.frame->geometry().center();
    QTRY_VERIFY_WITH_TIMEOUT(host.window.grab().toImage().pixelColor(centre) == QColor(0, 255, 255), loadTimeout);
    QWidget* page = host.panel->view()->focusProxy();
    QVERIFY(page);
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(300, 50));

    if (path == u"/copy.html")
        QTRY_VERIFY_WITH_TIMEOUT(!reported(server, QStringLiteral("copy")).isEmpty(), 20000);
    // The page that copied, had it been let, did so before this load.
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), 20000);
    QCOMPARE(server.requests().last(), QStringLiteral("/other.html"));
    QCOMPARE(clipboard->text(), QStringLiteral("12.34567"));
}

// clang-format off
void TstWebPanel::restlessPageIsStopped_data()
{
    QTest::addColumn<QString>("path");
    // How often the page itself is asked for: the panel's load and the
    // page's own, three at most.
    QTest::addColumn<int>("fewestLoads");
    QTest::addColumn<int>("mostLoads");
    QTest::newRow("a page that reloads itself") << "/reload.html" << 4 << 4;
    QTest::newRow("a page whose frames load over and over") << "/framestorm.html" << 1 << 1;
    QTest::newRow("a page that opens dialog after dialog") << "/dialogs.html" << 1 << 1;
}
// clang-format on

// A page that loads itself, or asks for frames or dialogs, more often than
// its limits allow is stopped and the panel left empty; the panel's own
// loads are not counted.
void TstWebPanel::restlessPageIsStopped()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
    QFETCH(QString, path);
    QFETCH(int, fewestLoads);
    QFETCH(int, mostLoads);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    platform::WebViewLimits limits;
    limits.selfLoads = 3;
    limits.requests = 40;
    host.panel->setLimits(limits);
    QVERIFY(host.show());

    const qsizetype before = server.requests().count(path);
    host.panel->navigate(server.url(path));
    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty(), loadTimeout);
    QCOMPARE(acted.first().at(0).toString(), QStringLiteral("restless"));
    QVERIFY(hasFinished(host.finished, false));
    // The page's fourth load of its own is refused.
    const qsizetype loads = server.requests().count(path) - before;
    QVERIFY2(loads >= fewestLoads && loads <= mostLoads, qPrintable(QString::number(loads)));
    // Nothing of it is left to run or to read once the empty page is in.
    QTRY_VERIFY_WITH_TIMEOUT(selectAll(host, 300).isEmpty(), 15000);

    // The panel's next load is its own, and while it loads the restless
    // page does not come back.
    const qsizetype after = server.requests().count(path);
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
    QCOMPARE(server.requests().count(path), after);
}

// clang-format off
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
// clang-format on

void TstWebPanel::sandboxSwitchIsReadAsChromiumDoes()
{
    QFETCH(QString, flags);
    QFETCH(bool, off);
    QCOMPARE(platform::flagsTurnSandboxOff(flags), off);
}

void TstWebPanel::localFilesAreRefused()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
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

// clang-format off
void TstWebPanel::panelStaysEmptyWithoutEngine_data()
{
    QTest::addColumn<QByteArray>("module");
    QTest::newRow("module missing") << QByteArray("/nonexistent/zelvan/libzelvan_webview.so");
    QTest::newRow("module not a plugin") << QCoreApplication::applicationFilePath().toLocal8Bit();
}
// clang-format on

void TstWebPanel::panelStaysEmptyWithoutEngine()
{
    QFETCH(QByteArray, module);
    qputenv("ZELVAN_WEBVIEW_PLUGIN", module);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    QSignalSpy unavailable(host.panel, &WebPanel::viewUnavailable);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QVERIFY(unavailable.wait(loadTimeout));
    host.panel->navigate(server.url(QStringLiteral("/other.html")));

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
    QSignalSpy unavailable(host.panel, &WebPanel::viewUnavailable);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY(host.show());
    QVERIFY(unavailable.wait(loadTimeout));

    QVERIFY(!host.panel->view());
    QCOMPARE(created.count(), 0);
    QVERIFY(server.requests().isEmpty());
    QVERIFY(host.window.isVisible());
}

// Windows' own browser control in the panel. The test machine's (Wine's)
// control fetches pages but has no engine to show them: what is tested here
// is what the control does before and around showing a page.
#ifdef Q_OS_WIN
namespace {

constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

HWND nativeWindow(QWidget* widget)
{
    return reinterpret_cast<HWND>(widget->winId());
}

// The control's own window, inside the view's.
HWND controlWindow(QWidget* view)
{
    return GetWindow(nativeWindow(view), GW_CHILD);
}

// The panel with its view made.
bool showCreated(Host& host)
{
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    return host.show() && (host.panel->view() || created.wait(loadTimeout));
}

std::wstring programName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdWString();
}

// The document mode asked for this program; 0 when none is, or not as a number.
DWORD documentMode()
{
    DWORD mode = 0;
    DWORD size = sizeof mode;
    if (RegGetValueW(HKEY_CURRENT_USER, kEmulationKey, programName().c_str(), RRF_RT_REG_DWORD, nullptr, &mode, &size)
        != ERROR_SUCCESS)
        return 0;
    return mode;
}

} // namespace

void TstWebPanel::systemControlFillsThePanel()
{
    Host host;
    QVERIFY(showCreated(host));
    QWidget* view = host.panel->view();
    QCOMPARE(view->objectName(), QStringLiteral("WebBrowser1"));
    QCOMPARE(view->geometry(), QRect(-8, -8, 625, 129));
    // A window of its own for the control; the frame keeps none.
    QVERIFY(view->internalWinId());
    QVERIFY(!view->parentWidget()->internalWinId());
    QVERIFY(!host.frame->internalWinId());
    const HWND control = controlWindow(view);
    QVERIFY(control);
    QVERIFY2(!IsWindowVisible(control), "the control shows before any page has loaded");

    // As a loaded page would be: the control covers the inside of the frame
    // up to its border, and nothing beyond the frame.
    ShowWindow(control, SW_SHOWNA);
    const QColor blank = QColor(Qt::white); // the control without a document
    const QRect outer = host.frame->geometry().translated(host.window.mapToGlobal(QPoint()));
    const QRect inner = host.frame->contentsRect().translated(outer.topLeft());
    const auto pixel = [](const QPoint& p) {
        return QGuiApplication::primaryScreen()->grabWindow(0, p.x(), p.y(), 1, 1).toImage().pixelColor(0, 0);
    };
    QTRY_COMPARE(pixel(inner.topLeft()), blank);
    QCOMPARE(pixel(inner.bottomRight()), blank);
    for (const QPoint& p : {outer.topLeft(), outer.topLeft() - QPoint(2, 2), outer.bottomRight() + QPoint(2, 2)})
        QVERIFY2(pixel(p) != blank, qPrintable(QStringLiteral("the control shows at %1,%2").arg(p.x()).arg(p.y())));
}

void TstWebPanel::systemControlAsksForTheAdvert()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY2(server.requests().isEmpty(), "a page was asked for before the frame was painted");
    QVERIFY(host.show());
    QTRY_COMPARE_WITH_TIMEOUT(server.requests(), QStringList{QStringLiteral("/advert.html")}, loadTimeout);
    // Whatever the session's language, in the program's.
    QVERIFY2(server.languages().value(0).startsWith(QLatin1String("zh-CN")), qPrintable(server.languages().value(0)));
}

// clang-format off
void TstWebPanel::systemControlFailedLoadLeavesPanelEmpty_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("closed port") << QString();
    // Reported by the control as soon as the answer starts, and again when it ends.
    QTest::newRow("page not found") << "/missing.html";
}
// clang-format on

void TstWebPanel::systemControlFailedLoadLeavesPanelEmpty()
{
    QFETCH(QString, path);
    PageServer server(pages);
    QVERIFY(server.isListening());
    QUrl url = server.url(path);
    QTcpServer closed;
    if (path.isEmpty()) {
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        url.setPort(closed.serverPort());
        closed.close();
    }
    Host host;
    QVERIFY(showCreated(host));
    const HWND control = controlWindow(host.panel->view());
    ShowWindow(control, SW_SHOWNA); // a page shown before

    host.panel->navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(host.finished.first().at(0).toBool(), false);
    // Neither the page before nor an error page of the control's: the
    // frame's own background, as when there is no browser.
    QVERIFY(!IsWindowVisible(control));
    QVERIFY(host.panel->view()->isVisible());
    if (!path.isEmpty())
        QCOMPARE(server.requests(), QStringList{path});
    QTest::qWait(1000);
    QCOMPARE(host.finished.count(), 1);
}

// What a page (or the panel) may navigate to, as the control reports it.
// clang-format off
void TstWebPanel::systemControlNavigationPolicy_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("a web page") << "http://www.example.com/advert.html" << true;
    QTest::newRow("a secure web page") << "https://www.example.com/" << true;
    QTest::newRow("a scheme in capitals") << "HTTPS://WWW.EXAMPLE.COM/" << true;
    QTest::newRow("the empty page") << "about:blank" << true;
    QTest::newRow("the empty page in capitals") << "ABOUT:BLANK" << true;
    QTest::newRow("another about page") << "about:tabs" << false;
    QTest::newRow("a local file") << "file:///C:/Windows/win.ini" << false;
    QTest::newRow("a local file as the control names it") << "C:\\Windows\\win.ini" << false;
    QTest::newRow("a shared folder") << "\\\\server\\share\\page.html" << false;
    QTest::newRow("the system's resources") << "res://ieframe.dll/navcancl.htm" << false;
    QTest::newRow("a script") << "javascript:alert(1)" << false;
    QTest::newRow("a help file") << "mk:@MSITStore:C:\\Windows\\Help\\a.chm::/a.htm" << false;
    QTest::newRow("another program's handler") << "ms-settings:privacy" << false;
    QTest::newRow("a scheme that only starts as the web's") << "https-x://www.example.com/" << false;
    QTest::newRow("no colon after the scheme") << "http//www.example.com/" << false;
    QTest::newRow("nothing") << "" << false;
}
// clang-format on

void TstWebPanel::systemControlNavigationPolicy()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(platform::browserMayNavigate(url.toStdWString()), allowed);
}

// Through the control itself: an address a program registered a handler
// for goes, when not refused, to that program.
void TstWebPanel::systemControlRefusesOtherHandlers()
{
    UrlRecorder handler; // the stand-in records what it is handed
    const QString standin = QFileInfo(qEnvironmentVariable("ZELVAN_STANDIN")).absoluteFilePath();
    const QString command =
        QStringLiteral("\"%1\" record \"%2\"").arg(QDir::toNativeSeparators(standin), QStringLiteral("%1"));
    QSettings scheme(QStringLiteral("HKEY_CLASSES_ROOT\\zelvan-probe"), QSettings::NativeFormat);
    scheme.setValue(QStringLiteral("URL Protocol"), QString());
    scheme.setValue(QStringLiteral("shell/open/command/."), command);
    scheme.sync();
    const auto unregister = qScopeGuard([] {
        QSettings(QStringLiteral("HKEY_CLASSES_ROOT"), QSettings::NativeFormat).remove(QStringLiteral("zelvan-probe"));
    });
    Host host;
    QVERIFY(showCreated(host));

    host.panel->navigate(QUrl(QStringLiteral("zelvan-probe:from-the-panel")));
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(host.finished.first().at(0).toBool(), false);
    // The same handler asked directly comes after anything the control started.
    platform::openUrl("zelvan-probe:afterwards");
    QTRY_COMPARE_WITH_TIMEOUT(handler.opened().value(0), QUrl(QStringLiteral("zelvan-probe:afterwards")), 20000);
    QCOMPARE(handler.opened().size(), 1);
}

// clang-format off
void TstWebPanel::systemControlNewWindowPolicy_data()
{
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("external");
    QTest::newRow("a click on a link") << uint(NWMF_USERINITED | NWMF_FIRST) << "http://www.example.com/" << true;
    QTest::newRow("a click to a secure page") << uint(NWMF_USERINITED) << "https://www.example.com/" << true;
    QTest::newRow("a script's pop-up") << uint(NWMF_FIRST) << "http://www.example.com/" << false;
    QTest::newRow("a pop-up while the page closes") << uint(NWMF_UNLOADING) << "https://www.example.com/" << false;
    QTest::newRow("a click to a script") << uint(NWMF_USERINITED) << "javascript:open()" << false;
    QTest::newRow("a click to a local file") << uint(NWMF_USERINITED) << "file:///C:/Windows/win.ini" << false;
}
// clang-format on

void TstWebPanel::systemControlNewWindowPolicy()
{
    QFETCH(uint, flags);
    QFETCH(QString, url);
    QFETCH(bool, external);
    QCOMPARE(platform::opensInDesktopBrowser(flags, url.toStdWString()), external);
}

// clang-format off
void TstWebPanel::systemControlSetsDocumentMode_data()
{
    const auto bytes = [](const auto& value) {
        return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
    };
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("before"); // the value as stored
    QTest::newRow("none asked for yet") << int(REG_NONE) << QByteArray();
    QTest::newRow("an older mode") << int(REG_DWORD) << bytes(DWORD(7000));
    QTest::newRow("the mode as text") << int(REG_SZ) << bytes(L"11001");
    QTest::newRow("the mode's bytes, not as a number") << int(REG_BINARY) << bytes(DWORD(11001));
}
// clang-format on

// Internet Explorer 11's mode, asked for under the user's key before the
// control starts; without it the control shows pages as Internet Explorer 7.
void TstWebPanel::systemControlSetsDocumentMode()
{
    QFETCH(int, type);
    QFETCH(QByteArray, before);
    const std::wstring name = programName();
    if (type == REG_NONE)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, name.c_str());
    else
        QCOMPARE(RegSetKeyValueW(HKEY_CURRENT_USER, kEmulationKey, name.c_str(), DWORD(type), before.constData(),
                                 DWORD(before.size())),
                 LSTATUS(ERROR_SUCCESS));
    QVERIFY(documentMode() != 11001);

    Host host;
    QVERIFY(showCreated(host));
    QCOMPARE(documentMode(), DWORD(11001));
}

// clang-format off
void TstWebPanel::systemControlIsOneTabStop_data()
{
    QTest::addColumn<bool>("backwards");
    QTest::newRow("Tab goes on to the next control") << false;
    QTest::newRow("Shift+Tab goes back to the one before") << true;
}
// clang-format on

// Typed into the page, Tab leaves the panel for the window's next control
// (Shift+Tab for the one before) instead of walking the page's links, and
// takes the keyboard away from the control.
void TstWebPanel::systemControlIsOneTabStop()
{
    QFETCH(bool, backwards);
    Host host;
    auto* elsewhere = new QLineEdit(&host.window);
    elsewhere->move(320, 135);
    auto* before = new QLineEdit(&host.window);
    before->move(0, 0);
    auto* after = new QLineEdit(&host.window);
    after->move(0, 135);
    QVERIFY(showCreated(host));
    QWidget* view = host.panel->view();
    QWidget::setTabOrder(elsewhere, before);
    QWidget::setTabOrder(before, view);
    QWidget::setTabOrder(view, after);
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    // Where Qt's focus was when the page was clicked does not matter.
    elsewhere->setFocus(Qt::OtherFocusReason);

    const HWND control = controlWindow(view);
    ShowWindow(control, SW_SHOWNA);
    // As a click into the page would.
    SetFocus(control);
    QTRY_COMPARE(GetFocus(), control);
    BYTE keys[256] = {};
    QVERIFY(GetKeyboardState(keys));
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = backwards ? 0x80 : 0;
    SetKeyboardState(keys);
    const auto restore = qScopeGuard([&keys, shift] {
        keys[VK_SHIFT] = shift;
        SetKeyboardState(keys);
    });
    PostMessageW(control, WM_KEYDOWN, VK_TAB, 1);

    QTRY_COMPARE(QApplication::focusWidget(), backwards ? before : after);
    QTRY_VERIFY(GetFocus() != control && !IsChild(nativeWindow(view), GetFocus()));
}

#endif

QTEST_MAIN(TstWebPanel)
#include "tst_webpanel.moc"
