// SPDX-License-Identifier: GPL-3.0-or-later
#include "webpanelfixture.h"
#include "urlrecorder.h"
#include "platform/webengineguard.h"
#include "platform/webview/engineswitches.h"

#include <QClipboard>
#include <QGuiApplication>

#ifdef Q_OS_WIN
#include "platform/urlopener.h"

#include <QFileInfo>
#include <QScreen>
#include <QSettings>

#include <QElapsedTimer>
#include <QProcess>

#include "systeminput.h"

#include <shobjidl.h>
#include <tlhelp32.h>
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
    void pageStaysOnItsSite_data();
    void pageStaysOnItsSite();
    void engineSwitchesKeepTheUsers_data();
    void engineSwitchesKeepTheUsers();
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
    void systemControlRefusesOtherHandlers();
    void desktopBrowserGetsTheAddressIntact_data();
    void desktopBrowserGetsTheAddressIntact();
    void systemControlSetsDocumentMode_data();
    void systemControlSetsDocumentMode();
    void systemControlIsOneTabStop_data();
    void systemControlIsOneTabStop();
    void systemHostIsWatched_data();
    void systemHostIsWatched();
    void systemHostIsNotTrusted();
    void systemHostOpensOnlyAfterAPress();
    void systemHostCannotPretendAPress();
    void systemHostFloodHoldsUpNothing();
    void systemHostHungIsEndedWhileTheWindowWaits();
    void systemHostRunsApart();
    void systemHostEndsWithTheProgram();
    void systemControlReloadKeepsTheKeyboard();
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
    qunsetenv("ZELVAN_STANDIN_HOST");
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
        QCOMPARE(selectAll(host, loadTimeout), QStringLiteral("advert"));
    else
        QCOMPARE(selectAll(host, 0), QString());

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
    // The engine keeps some of a page's storage past its profile.
    QTest::newRow("nothing is kept") << "kept" << "nothing";
    QTest::newRow("no database is opened") << "database" << "refused";
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
    QTest::newRow("a page that fetches without pause") << "/fetchstorm.html" << 1 << 1;
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
    platform::WebViewLimits limits = outOfReach();
    limits.selfLoads = 3;
    limits.requests = 40;
    limits.fetches = 40;
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
    // Nothing of it is left to run or to read: the empty page is in.
    QCOMPARE(selectAll(host, 0), QString());

    // The panel's next load is its own, and while it loads the restless
    // page does not come back.
    const qsizetype after = server.requests().count(path);
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
    QCOMPARE(server.requests().count(path), after);
}

// clang-format off
void TstWebPanel::pageStaysOnItsSite_data()
{
    QTest::addColumn<QString>("path");
    // Where to click in the page (none: 0), and what the panel shows then.
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("shown");
    // What the desktop's browser was given, on the other host.
    QTest::addColumn<QString>("opened");
    QTest::newRow("a script sending the page to another host is refused") << "/leave.html" << 0 << "leave" << "";
    QTest::newRow("a redirect to another host leaves the panel empty") << "/redirect.html" << 0 << "" << "";
    QTest::newRow("a script moving on within the site goes ahead") << "/hop.html" << 0 << "other" << "";
    QTest::newRow("a link clicked to another host opens in the desktop's browser")
        << "/awaylink.html" << 300 << "away" << "/elsewhere.html";
    QTest::newRow("a script following a link to another host is refused") << "/awaylink.html#script" << 0 << "away" << "";
}
// clang-format on

// The advert stays on the site the panel loaded: whatever way a load to
// another host comes, it is refused, and the panel keeps its page (a page's
// own load) or stays empty (a redirect of the panel's). Only the user's
// click takes a link elsewhere, to the desktop's browser. Another host here
// is another name of this machine (localhost), served by the same server.
void TstWebPanel::pageStaysOnItsSite()
{
#ifdef Q_OS_WIN
    QSKIP(kRendersNoPages);
#endif
    QFETCH(QString, path);
    QFETCH(int, x);
    QFETCH(QString, shown);
    QFETCH(QString, opened);
    PageServer server(pages);
    QVERIFY(server.isListening());
    UrlRecorder browser;
    Host host;
    host.panel->navigate(server.url(path));
    QVERIFY(host.show());
    if (x > 0) {
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
        const QPoint centre = host.frame->geometry().center();
        QTRY_VERIFY_WITH_TIMEOUT(host.window.grab().toImage().pixelColor(centre) == QColor(0, 255, 255), loadTimeout);
        QWidget* page = host.panel->view()->focusProxy();
        QVERIFY(page);
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(x, 50));
        QUrl elsewhere = server.url(opened);
        elsewhere.setHost(QStringLiteral("localhost"));
        QTRY_COMPARE_WITH_TIMEOUT(browser.opened(), QList<QUrl>{elsewhere}, 20000);
    } else if (shown == u"other") {
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains(QStringLiteral("/other.html")), loadTimeout);
    } else {
        // The refusal ends the load it would have been.
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, false), loadTimeout);
        QVERIFY(browser.opened().isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(selectAll(host, shown.isEmpty() ? 300 : 2000), shown, 15000);
    // Refused before it was asked for.
    for (const QString& away : {QStringLiteral("/away.html"), QStringLiteral("/elsewhere.html")})
        QVERIFY2(!server.requests().contains(away), qPrintable(server.requests().join(u' ')));
}

void TstWebPanel::engineSwitchesKeepTheUsers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("switches");
    QTest::addColumn<bool>("pagesInProgram");
    const QString ours = "--js-flags=--max-old-space-size=64 --lang=zh-CN";
    QTest::newRow("none of the user's") << ""
                                        << ours + " --disable-features=AudioServiceOutOfProcess --no-unsandboxed-zygote"
                                        << false;
    QTest::newRow("the user's language") << "--lang=en-US"
                                         << "--lang=en-US --js-flags=--max-old-space-size=64 "
                                            "--disable-features=AudioServiceOutOfProcess --no-unsandboxed-zygote"
                                         << false;
    // The engine keeps only the last of a switch given twice.
    QTest::newRow("the user's own features turned off stay off")
        << "--disable-features=A,B --disable-gpu"
        << "--disable-features=AudioServiceOutOfProcess,A,B --disable-gpu " + ours + " --no-unsandboxed-zygote"
        << false;
    QTest::newRow("and the last list of them, with one dash")
        << "--disable-features=A -disable-features=B"
        << "--disable-features=A -disable-features=AudioServiceOutOfProcess,B " + ours + " --no-unsandboxed-zygote"
        << false;
    QTest::newRow("one process") << "--single-process"
                                 << "--single-process " + ours
                                        + " --disable-features=AudioServiceOutOfProcess --no-unsandboxed-zygote"
                                 << true;
    QTest::newRow("one process, quoted, counts as such")
        << "\"--single-process\""
        << "\"--single-process\" " + ours + " --disable-features=AudioServiceOutOfProcess --no-unsandboxed-zygote"
        << true;
}
// clang-format on

void TstWebPanel::engineSwitchesKeepTheUsers()
{
    QFETCH(QString, user);
    QFETCH(QString, switches);
    QFETCH(bool, pagesInProgram);
    const QByteArray made = platform::engineSwitches(user.toLatin1());
    QCOMPARE(QString::fromLatin1(made), switches);
    QCOMPARE(platform::switchesRunPagesInProgram(made), pagesInProgram);
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

// The control's own window, inside the advert host's, inside the view's;
// nullptr until the host has shown its window with the control in place.
HWND controlWindow(QWidget* view)
{
    const HWND host = GetWindow(nativeWindow(view), GW_CHILD);
    return host && IsWindowVisible(host) ? GetWindow(host, GW_CHILD) : nullptr;
}

// The panel with its view made and the advert host's control inside it.
bool showCreated(Host& host)
{
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    return host.show() && (host.panel->view() || created.wait(loadTimeout))
           && QTest::qWaitFor([&host] { return controlWindow(host.panel->view()) != nullptr; }, loadTimeout);
}

// The panel's host, a stand-in in the way ZELVAN_STANDIN_HOST names.
void useStandIn(Host& host, const QByteArray& way)
{
    qputenv("ZELVAN_STANDIN_HOST", way);
    host.panel->setAdvertHost({qEnvironmentVariable("ZELVAN_STANDIN")});
}

// The window of the host (the real one or a stand-in) inside the view.
HWND hostWindow(QWidget* view)
{
    return GetWindow(reinterpret_cast<HWND>(view->winId()), GW_CHILD);
}

// The program the control runs in: the advert host.
std::wstring programName()
{
    return L"zelvan-adverthost.exe";
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

    // As a loaded page would be: the control covers the whole view, which is
    // cut to the inside of the frame up to its border (the control's pixels
    // are the host's to draw, which Wine's control without an engine leaves
    // undrawn: the rectangles are compared).
    ShowWindow(control, SW_SHOWNA);
    const QRect outer = host.frame->geometry().translated(host.window.mapToGlobal(QPoint()));
    const QRect inner = host.frame->contentsRect().translated(outer.topLeft());
    const QPoint viewAt = view->mapToGlobal(QPoint());
    const auto controlRect = [control] {
        RECT r = {};
        GetWindowRect(control, &r);
        return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    };
    QTRY_COMPARE_WITH_TIMEOUT(controlRect(), QRect(viewAt, view->size()), loadTimeout);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    RECT box = {};
    QCOMPARE(GetWindowRgn(nativeWindow(view), region), SIMPLEREGION);
    GetRgnBox(region, &box);
    DeleteObject(region);
    QCOMPARE(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)).translated(viewAt), inner);
}

void TstWebPanel::systemControlAsksForTheAdvert()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QVERIFY2(server.requests().isEmpty(), "a page was asked for before the frame was painted");
    QSignalSpy created(host.panel, &WebPanel::viewCreated);
    QVERIFY(host.show());
    QVERIFY(created.wait(loadTimeout));
    QElapsedTimer sinceStart; // the host is started with the view
    sinceStart.start();
    QTRY_VERIFY_WITH_TIMEOUT(controlWindow(host.panel->view()), loadTimeout);
    const qint64 shown = sinceStart.elapsed();
    QTRY_COMPARE_WITH_TIMEOUT(server.requests(), QStringList{QStringLiteral("/advert.html")}, loadTimeout);
    qInfo("the host's control in place %lld ms after its start, the advert asked for after %lld ms", shown,
          sinceStart.elapsed());
    // Whatever the session's language, in the program's.
    QVERIFY2(server.languages().value(0).startsWith(QLatin1String("zh-CN")), qPrintable(server.languages().value(0)));
}

// clang-format off
void TstWebPanel::systemControlFailedLoadLeavesPanelEmpty_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("asked"); // whether the server is asked for it
    QTest::newRow("closed port") << QString() << false;
    // Reported by the control as soon as the answer starts, and again when it ends.
    QTest::newRow("page not found") << "/missing.html" << true;
    // Longer than a line of the protocol: reported by the host at once,
    // not after the watch's patience.
    QTest::newRow("an address past the protocol's bound") << "/" + QString(5000, 'x') << false;
}
// clang-format on

void TstWebPanel::systemControlFailedLoadLeavesPanelEmpty()
{
    QFETCH(QString, path);
    QFETCH(bool, asked);
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
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    QVERIFY(showCreated(host));
    const HWND control = controlWindow(host.panel->view());
    ShowWindow(control, SW_SHOWNA); // a page shown before

    host.panel->navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(host.finished.first().at(0).toBool(), false);
    QCOMPARE(acted.count(), 0);
    // Neither the page before nor an error page of the control's: the
    // frame's own background, as when there is no browser.
    QVERIFY(!IsWindowVisible(control));
    QVERIFY(host.panel->view()->isVisible());
    QCOMPARE(server.requests(), asked ? QStringList{path} : QStringList());
    QTest::qWait(1000);
    QCOMPARE(host.finished.count(), 1);
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
void TstWebPanel::desktopBrowserGetsTheAddressIntact_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("a Chinese path, percent-encoded")
        << "http://www.example.com/%E5%B9%BF%E5%91%8A.html?q=%E4%B8%AD%20%E6%96%87";
    QTest::newRow("a Chinese path as written") << "https://www.example.com/广告.html";
}
// clang-format on

// Through the shell to the stand-in browser: no character may pass through
// the ANSI code page on the way, nor an encoded one be decoded.
void TstWebPanel::desktopBrowserGetsTheAddressIntact()
{
    QFETCH(QString, url);
    UrlRecorder browser;
    platform::openUrl(url.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(browser.opened().value(0).toString(QUrl::FullyEncoded),
                              QUrl(url).toString(QUrl::FullyEncoded), 20000);
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
    // The host: the real one, or a stand-in in this way.
    QTest::addColumn<QByteArray>("way");
    QTest::newRow("Tab goes on to the next control") << false << QByteArray();
    QTest::newRow("Shift+Tab goes back to the one before") << true << QByteArray();
    // The page has the keyboard from the press on, whenever its host says
    // hello (later than the press on a busy machine).
    QTest::newRow("Tab from a host that said hello after the press") << false << QByteArray("latehello");
}
// clang-format on

// Typed into the page, Tab leaves the panel for the window's next control
// (Shift+Tab for the one before) instead of walking the page's links, and
// takes the keyboard away from the control.
void TstWebPanel::systemControlIsOneTabStop()
{
    QFETCH(bool, backwards);
    QFETCH(QByteArray, way);
    Host host;
    if (!way.isEmpty())
        useStandIn(host, way);
    auto* elsewhere = new QLineEdit(&host.window);
    elsewhere->move(320, 135);
    auto* before = new QLineEdit(&host.window);
    before->move(0, 0);
    auto* after = new QLineEdit(&host.window);
    after->move(0, 135);
    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(host.panel->view(), loadTimeout);
    QWidget* view = host.panel->view();
    QWidget::setTabOrder(elsewhere, before);
    QWidget::setTabOrder(before, view);
    QWidget::setTabOrder(view, after);
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    // Where Qt's focus was when the page was clicked does not matter.
    elsewhere->setFocus(Qt::OtherFocusReason);

    HWND control = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((control = way.isEmpty() ? controlWindow(view) : hostWindow(view)), loadTimeout);
    ShowWindow(control, SW_SHOWNA);
    // As a press into the page would: the panel shares its input with the
    // host's from then on, and the control takes the keyboard (here as it
    // would on a real page: Wine's control has none).
    QVERIFY(pressInto(control));
    QTRY_VERIFY_WITH_TIMEOUT((SetFocus(control), GetFocus() == control), loadTimeout);
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

    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), backwards ? before : after, loadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(GetFocus() != control && !IsChild(nativeWindow(view), GetFocus()), loadTimeout);
}

// clang-format off
void TstWebPanel::systemHostIsWatched_data()
{
    QTest::addColumn<QByteArray>("way");
    QTest::addColumn<QStringList>("acts");
    const auto each = [](const char* what) { return QStringList{what, what, what, "gave up"}; };
    QTest::newRow("a host that hangs is ended, twice started again, then given up") << QByteArray("hang") << each("unanswered");
    QTest::newRow("a host that grows past the bound") << QByteArray("allocate") << each("memory");
    QTest::newRow("a host that keeps a core busy") << QByteArray("spin") << each("busy");
    QTest::newRow("a host that crashes is started again, then given up") << QByteArray("crash") << QStringList{"gave up"};
    QTest::newRow("a host that never starts") << QByteArray("never") << QStringList{"gave up"};
    QTest::newRow("a page that keeps loading itself is stopped") << QByteArray("restless") << QStringList{"restless"};
    QTest::newRow("a host that floods its pipe is ended") << QByteArray("flood") << each("unruly");
    // Reported gone once, from its process, though its pipe never closes.
    QTest::newRow("a host gone with its pipe held open") << QByteArray("goneheld") << QStringList{"gave up"};
}
// clang-format on

// The watch's rules applied to the host's process, on stand-in hosts, with
// small bounds: each way of going wrong is acted on as on Linux, and a host
// given up or stopped leaves the panel empty (its window gone with it).
void TstWebPanel::systemHostIsWatched()
{
    QFETCH(QByteArray, way);
    QFETCH(QStringList, acts);
    Host host;
    useStandIn(host, way);
    // The way's own bound within reach, the others out of it: the allocating
    // host keeps a core busy too, and on a loaded machine any host may answer
    // late; whichever bound came first would be the one acted on.
    platform::WebViewPatience patience = unhurried();
    platform::WebViewLimits limits = outOfReach();
    if (way == "hang") {
        patience.response = std::chrono::milliseconds(1000);
    } else if (way == "allocate") {
        limits.memoryBytes = std::int64_t(96) << 20;
    } else if (way == "spin") {
        // A share a loaded machine still gives the spinning host many times
        // over; an idle one never takes it.
        limits.busyShare = 0.1;
        limits.busyPeriod = std::chrono::milliseconds(1500);
    } else if (way == "restless") {
        limits.selfLoads = platform::WebViewLimits().selfLoads;
    }
    host.panel->setPatience(patience);
    host.panel->setLimits(limits);
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    // For the notes: how soon the watch acts after the host first misbehaves
    // (the stand-ins do once their first page has "loaded"), and how long
    // it takes to the last word.
    QElapsedTimer clock;
    qint64 firstLoad = -1;
    qint64 firstAct = -1;
    QObject::connect(host.panel, &WebPanel::loadFinished, host.panel, [&] {
        if (firstLoad < 0)
            firstLoad = clock.elapsed();
    });
    QObject::connect(host.panel, &WebPanel::watchActed, host.panel, [&] {
        if (firstAct < 0)
            firstAct = clock.elapsed();
    });
    host.panel->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html")));
    clock.start();
    QVERIFY(host.show());

    const auto said = [&acted] {
        QStringList words;
        for (const QList<QVariant>& args : acted)
            words << args.at(0).toString();
        return words;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!said().isEmpty() && said().last() == acts.last(), 60000);
    qInfo("%s: first act %lld ms after the first load (%lld ms after showing), the last %lld ms after showing",
          way.constData(), firstLoad < 0 ? -1 : firstAct - firstLoad, firstAct, clock.elapsed());
    // A host that outlives its ending by the answer patience is ended again
    // (the hung one's is short): however often, each time for its reason.
    QStringList words = said();
    if (acts.size() > 1 && words.size() > acts.size() && words.count(acts.first()) == words.size() - 1)
        words = words.mid(words.size() - acts.size());
    QCOMPARE(words, acts);
    QTRY_VERIFY_WITH_TIMEOUT(!GetWindow(nativeWindow(host.panel->view()), GW_CHILD), loadTimeout);
    QVERIFY(host.panel->view()->isVisible());
}

// What the host says is checked, never followed: lines that are no message,
// too long, a new window on anything but a web address, another version of
// the protocol. The panel goes on with the host's next good word.
void TstWebPanel::systemHostIsNotTrusted()
{
    UrlRecorder browser;
    Host host;
    useStandIn(host, "babble");
    QVERIFY(host.showLoaded(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html"))));
    QCOMPARE(host.panel->view()->property("ignoredHostLines").toInt(), 6);
    QVERIFY(browser.opened().isEmpty());
}

namespace {

// The processes whose parent is pid, started from a program of that file name.
QList<DWORD> childProcesses(DWORD pid, const QString& name)
{
    QList<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == pid
            && QString::fromWCharArray(entry.szExeFile).compare(name, Qt::CaseInsensitive) == 0)
            found << entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

QString standInName()
{
    return QFileInfo(qEnvironmentVariable("ZELVAN_STANDIN")).fileName();
}

} // namespace

// A host asks for addresses in the desktop's browser: the one it asks for
// on its own gets nothing; a press into its window lets one through, and
// only one. What went to the browser is read once every browser started
// has finished (the stand-in host is the one stand-in left).
void TstWebPanel::systemHostOpensOnlyAfterAPress()
{
    UrlRecorder browser;
    Host host;
    useStandIn(host, "opener");
    // Out of reach in this test: the time after the press is the rules' table's.
    host.panel->setAdvertHost({qEnvironmentVariable("ZELVAN_STANDIN"), std::chrono::minutes(10)});
    QVERIFY(host.showLoaded(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html"))));
    QWidget* view = host.panel->view();
    const auto ignored = [view] { return view->property("ignoredHostLines").toInt(); };
    QTRY_COMPARE(ignored(), 1);
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));

    QVERIFY(pressInto(hostWindow(view)));
    QTRY_COMPARE_WITH_TIMEOUT(ignored(), 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(childProcesses(GetCurrentProcessId(), standInName()).size(), 1, 20000);
    QCOMPARE(browser.opened(), QList<QUrl>{QUrl(QStringLiteral("http://a.example/clicked"))});
}

// A host that tells the panel of a press while the pointer is elsewhere
// gets neither an address opened nor the keyboard: its Tab is not followed,
// and the box that has the keyboard keeps it.
void TstWebPanel::systemHostCannotPretendAPress()
{
    UrlRecorder browser;
    Host host;
    useStandIn(host, "pretender");
    host.panel->setAdvertHost({qEnvironmentVariable("ZELVAN_STANDIN"), std::chrono::minutes(10)});
    auto* box = new QLineEdit(&host.window);
    box->move(0, 135);
    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(host.panel->view() && hostWindow(host.panel->view()), loadTimeout);
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    box->setFocus(Qt::OtherFocusReason);
    const QRect window = host.window.frameGeometry();
    SetCursorPos(window.right() + 40, window.bottom() + 40);
    host.panel->navigate(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html")));

    QWidget* view = host.panel->view();
    QTRY_COMPARE_WITH_TIMEOUT(view->property("refusedHostTabs").toInt(), 1, loadTimeout);
    QCOMPARE(view->property("ignoredHostLines").toInt(), 1);
    QCOMPARE(QApplication::focusWidget(), box);
    QTRY_COMPARE_WITH_TIMEOUT(childProcesses(GetCurrentProcessId(), standInName()).size(), 1, 20000);
    QVERIFY(browser.opened().isEmpty());
}

// A host that writes lines good and bad as fast as its pipe takes them:
// the reader holds a few at a time, the window goes on taking keys, and
// the host is ended for what it says.
void TstWebPanel::systemHostFloodHoldsUpNothing()
{
    Host host;
    useStandIn(host, "flood");
    auto* box = new QLineEdit(&host.window);
    box->move(0, 135);
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    QVERIFY(host.showLoaded(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html"))));
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    box->setFocus(Qt::OtherFocusReason);
    const HWND window = nativeWindow(&host.window);
    for (const char key : {'1', '2'})
        PostMessageW(window, WM_CHAR, WPARAM(key), 1);
    QTRY_COMPARE(box->text(), QStringLiteral("12"));
    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty(), loadTimeout);
    QCOMPARE(acted.first().at(0).toString(), QStringLiteral("unruly"));
    const int held = host.panel->view()->property("mostHostLinesHeld").toInt();
    qInfo("at most %d lines held for the panel", held);
    QVERIFY(held > 0 && held <= 16);
}

// The watch's thread is not the window's: a host that hangs is ended while
// the window's thread itself waits for nothing else.
void TstWebPanel::systemHostHungIsEndedWhileTheWindowWaits()
{
    Host host;
    useStandIn(host, "hang");
    host.panel->setPatience(
        {std::chrono::milliseconds(3000), std::chrono::milliseconds(1000), std::chrono::minutes(10)});
    QVERIFY(host.showLoaded(QUrl(QStringLiteral("http://127.0.0.1:9/advert.html"))));
    DWORD pid = 0;
    GetWindowThreadProcessId(hostWindow(host.panel->view()), &pid);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    QVERIFY(process);
    const auto closeProcess = qScopeGuard([process] { CloseHandle(process); });
    QCOMPARE(WaitForSingleObject(process, 60000), DWORD(WAIT_OBJECT_0));
}

namespace {

bool isWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

// The real host: a window of another process inside the view's, started
// with a Low-integrity token inside a job.
void TstWebPanel::systemHostRunsApart()
{
    Host host;
    // Set before the panel's first paint, as the main window sets them: the
    // first host's job has them.
    platform::WebViewLimits limits;
    limits.memoryBytes = std::int64_t(64) << 20;
    host.panel->setLimits(limits);
    QVERIFY(showCreated(host));
    QWidget* view = host.panel->view();
    QTRY_VERIFY(view->property("hostMemoryBound").isValid());
    QCOMPARE(view->property("hostMemoryBound").toLongLong(), qint64(96) << 20);
    const QStringList rights = view->property("hostRights").toStringList();
    for (const char* right : {"low integrity", "restricted", "desktop limited"})
        QVERIFY2(rights.contains(QLatin1String(right)), right);
    DWORD pid = 0;
    GetWindowThreadProcessId(hostWindow(view), &pid);
    QVERIFY(pid != GetCurrentProcessId());
    QCOMPARE(childProcesses(GetCurrentProcessId(), QStringLiteral("zelvan-adverthost.exe")), QList<DWORD>{pid});

    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    QVERIFY(process);
    const auto closeProcess = qScopeGuard([process] { CloseHandle(process); });
    BOOL inJob = FALSE;
    QVERIFY(IsProcessInJob(process, nullptr, &inJob));
    QVERIFY(inJob);
    HANDLE token = nullptr;
    QVERIFY(OpenProcessToken(process, TOKEN_QUERY, &token));
    const auto closeToken = qScopeGuard([token] { CloseHandle(token); });
    alignas(TOKEN_MANDATORY_LABEL) char buffer[64] = {};
    DWORD size = 0;
    QVERIFY(GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size));
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    const DWORD level = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
    // No privilege but change-notify.
    alignas(TOKEN_PRIVILEGES) char privileges[4096] = {};
    QVERIFY(GetTokenInformation(token, TokenPrivileges, privileges, sizeof privileges, &size));
    const auto* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(privileges);
    QStringList names;
    for (DWORD i = 0; i < held->PrivilegeCount; ++i) {
        wchar_t name[64] = {};
        DWORD length = 64;
        LUID luid = held->Privileges[i].Luid;
        LookupPrivilegeNameW(nullptr, &luid, name, &length);
        names << QString::fromWCharArray(name);
    }
    QCOMPARE(names, QStringList{QStringLiteral("SeChangeNotifyPrivilege")});
    if (isWine())
        QEXPECT_FAIL("", "Wine takes the Low token but runs every process at High integrity", Continue);
    QCOMPARE(level, DWORD(SECURITY_MANDATORY_LOW_RID));
}

// However the program ends, its host ends with it (the job's kill on close),
// also one that no longer reads the pipe that would tell it.
void TstWebPanel::systemHostEndsWithTheProgram()
{
    // The program beside a stand-in host under the host's name; its
    // libraries and plugins where the build put them.
    QTemporaryDir installed;
    QVERIFY(installed.isValid());
    const QDir built(QCoreApplication::applicationDirPath());
    QVERIFY(
        QFile::copy(built.filePath(QStringLiteral("zelvan.exe")), installed.filePath(QStringLiteral("zelvan.exe"))));
    QVERIFY(QFile::copy(qEnvironmentVariable("ZELVAN_STANDIN"),
                        installed.filePath(QStringLiteral("zelvan-adverthost.exe"))));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString libraries = QDir::toNativeSeparators(built.absolutePath());
    environment.insert(QStringLiteral("PATH"),
                       libraries + QLatin1Char(';') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), libraries);
    environment.insert(QStringLiteral("ZELVAN_STANDIN_HOST"), QStringLiteral("deaf"));
    program.setProcessEnvironment(environment);
    program.start(installed.filePath(QStringLiteral("zelvan.exe")), {});
    QVERIFY(program.waitForStarted());
    QList<DWORD> hosts;
    const QString standin = QStringLiteral("zelvan-adverthost.exe");
    QTRY_VERIFY_WITH_TIMEOUT(!(hosts = childProcesses(DWORD(program.processId()), standin)).isEmpty(), loadTimeout);
    const HANDLE hostProcess = OpenProcess(SYNCHRONIZE, FALSE, hosts.first());
    QVERIFY(hostProcess);
    const auto closeHost = qScopeGuard([hostProcess] { CloseHandle(hostProcess); });

    QCOMPARE(WaitForSingleObject(hostProcess, 0), DWORD(WAIT_TIMEOUT));
    program.kill(); // TerminateProcess: nothing of the program's runs after it
    QVERIFY(program.waitForFinished());
    QCOMPARE(WaitForSingleObject(hostProcess, 20000), DWORD(WAIT_OBJECT_0));
}

// With the keyboard in a box of the window, the panel loads again (as at
// every restore): the box keeps the keyboard and typed keys land there.
void TstWebPanel::systemControlReloadKeepsTheKeyboard()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    auto* box = new QLineEdit(&host.window);
    box->move(0, 135);
    QVERIFY(showCreated(host));
    QApplication::setActiveWindow(&host.window);
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    box->setFocus(Qt::OtherFocusReason);
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    host.panel->navigate(server.url(QStringLiteral("/other.html")));
    QTRY_VERIFY_WITH_TIMEOUT(host.finished.count() >= 2, loadTimeout);

    QCOMPARE(QApplication::focusWidget(), box);
    const HWND focus = GetFocus();
    QVERIFY(focus == nativeWindow(&host.window));
    for (const char key : {'1', '2'})
        PostMessageW(focus, WM_CHAR, WPARAM(key), 1);
    QTRY_COMPARE(box->text(), QStringLiteral("12"));
}

#endif

QTEST_MAIN(TstWebPanel)
#include "tst_webpanel.moc"
