// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's adapter of the page watch, through the panel: one live case
// for each thing it does to a renderer (ended for hanging, memory or work,
// and reloaded; reloaded after a crash; given up; a slow request's load
// stopped); restless pages are tst_webpanel's. The rules themselves are
// tst_pagewatch's.
// Apart from the other web panel cases so that ctest runs the two at once.
#include "webpanelfixture.h"

#include <algorithm>

class TstRendererWatch : public QObject {
    Q_OBJECT

private slots:
    void hungPageIsEndedAndGivenUp_data();
    void hungPageIsEndedAndGivenUp();
    void slowRequestKeepsThePage();
    void crashedRendererReloadsAtOnce();
    void programWorkCounts();
    void pageInProgramIsRenewed_data();
    void pageInProgramIsRenewed();
    void stuckPageInProgramIsLeft();
};

// clang-format off
void TstRendererWatch::hungPageIsEndedAndGivenUp_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    // The endings a row waits for, each followed by a reload. The third is
    // the whole story: the page is then given up (the hung page's, the
    // quickest to end). How many second chances there are is the rules'
    // (tst_pagewatch); one ending shows the renderer measured, ended and its
    // page loaded again.
    QTest::addColumn<int>("endings");
    QTest::newRow("a load that never finishes") << "/hang.html" << "unfinished" << 3;
    QTest::newRow("a renderer past its memory bound") << "/grow.html" << "memory" << 1;
    QTest::newRow("a page whose frames keep a core busy") << "/animate.html" << "busy" << 1;
    // Ended while its load still runs; its reload is watched from the moment
    // it is asked for, however the engine reports it (the rules table's).
    QTest::newRow("a page whose frame never loads, past its memory bound") << "/framegrow.html" << "memory" << 1;
    QTest::newRow("a page that stores past the program's bound") << "/blobs.html" << "program memory" << 1;
}
// clang-format on

namespace {

// The one bound a row is about, within reach; the others stay out of it, as
// Host leaves them. The growing pages also keep a core busy and answer late,
// the busy one grows: on a slow or busy machine any bound within reach could
// come first.
void bringWithinReach(const QString& reason, Host& host)
{
    platform::WebViewPatience patience = unhurried();
    platform::WebViewLimits limits = outOfReach();
    if (reason == u"unfinished") {
        patience.load = std::chrono::milliseconds(250);
        patience.response = std::chrono::milliseconds(250);
    } else if (reason == u"memory") {
        limits.memoryBytes = std::int64_t(256) << 20;
    } else if (reason == u"busy") {
        // The animating page takes a twentieth of a core in its own renderer
        // (more while it first draws) and nearly half of one where its frames
        // are composed: counted together, it passes this share with a core
        // kept busy elsewhere too; its renderer alone does not.
        limits.busyShare = 0.15;
        limits.busyPeriod = std::chrono::milliseconds(1500);
    } else if (reason == u"program memory") {
        limits.programGrowthBytes = std::int64_t(64) << 20;
    }
    host.panel->setPatience(patience);
    host.panel->setLimits(limits);
}

} // namespace

void TstRendererWatch::hungPageIsEndedAndGivenUp()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(int, endings);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    const auto actions = [&acted] {
        QStringList words;
        for (const QList<QVariant>& args : acted)
            words << args.at(0).toString();
        return words;
    };
    bringWithinReach(reason, host);
    // The renderers there were as the watch ended one.
    QList<qint64> ended;
    QObject::connect(host.panel, &WebPanel::watchActed, host.panel, [&ended](const QString& what) {
        if (what != u"gave up")
            ended << rendererPids();
    });
    host.panel->navigate(server.url(path));
    QVERIFY(host.show());

    const QString gaveUp = QStringLiteral("gave up");
    QTRY_VERIFY_WITH_TIMEOUT(endings == 3 ? actions().contains(gaveUp) : actions().count(reason) >= endings,
                             2 * loadTimeout);
    // Every bound out of reach again from here on: the page's load after its
    // last ending, and the advert below, are no case of any.
    host.panel->setPatience(unhurried());
    host.panel->setLimits(outOfReach());
    // Each act named the row's reason (a renderer that outlives its ending
    // by the answer patience is ended again: the hung page's is short), and
    // the page was loaded again after each ending but a third, which gave it
    // up.
    QStringList words = actions();
    QCOMPARE(words.removeAll(gaveUp) > 0, endings == 3);
    QVERIFY2(words.size() >= endings && words.count(reason) == words.size(), qPrintable(words.join(u", ")));
    const qsizetype loads = 1 + std::min<qsizetype>(words.size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().count(path), loads, loadTimeout);

    // The panel's next load is tried afresh and shown, and the page before
    // neither loads again nor runs on (a renderer in an endless loop would
    // take a core). The page's last reload, asked for before, may still
    // finish first and show for a moment; the advert's load wins.
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_COMPARE_WITH_TIMEOUT(selectAll(host, 500), QStringLiteral("advert"), loadTimeout);
    QVERIFY(!ended.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(std::none_of(ended.cbegin(), ended.cend(), isRunning), loadTimeout);
    QCOMPARE(server.requests().count(path), loads);
}

// A page that is shown and answers, but one of whose requests never ends:
// its load is stopped, the renderer left alone and the page kept. The load
// is let run late only once the page is on screen (its picture asked for,
// its word selected), so a slow renderer cannot make it a page not shown.
void TstRendererWatch::slowRequestKeepsThePage()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    host.panel->navigate(server.url(QStringLiteral("/slow.html")));
    QVERIFY(host.show());
    QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains(QStringLiteral("/never.png")), loadTimeout);
    QVERIFY(selectAll(host, loadTimeout).startsWith(QLatin1String("slow")));
    QVERIFY(host.finished.isEmpty());
    const QList<qint64> renderers = rendererPids();
    QVERIFY(!renderers.isEmpty());

    platform::WebViewPatience patience = unhurried();
    patience.load = std::chrono::milliseconds(100);
    host.panel->setPatience(patience);
    QTRY_VERIFY_WITH_TIMEOUT(!host.finished.isEmpty(), loadTimeout);
    QCOMPARE(host.finished.first().at(0).toBool(), false);
    QVERIFY(std::all_of(renderers.cbegin(), renderers.cend(), isRunning));
    QCOMPARE(server.requests().count(QStringLiteral("/slow.html")), 1);
}

void TstRendererWatch::crashedRendererReloadsAtOnce()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    // Every bound out of reach (the host's): each reload must come from a crash.
    Host host;
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/advert.html"))));

    for (int crash = 1; crash <= 2; ++crash) {
        const QList<qint64> renderers = rendererPids();
        QVERIFY(!renderers.isEmpty());
        host.finished.clear();
        for (qint64 pid : renderers)
            killRenderer(pid);
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
        QCOMPARE(server.requests(), QStringList(crash + 1, QStringLiteral("/advert.html")));
    }
}

// A page whose work lands in the program's own process (the engine's
// navigations of its frames, on the window thread) is ended for it. Its
// renderer alone takes some tenth of a core, the program most of one:
// judged by under a third of a core, the renderer alone never passes, the
// two together do, also with one of two cores taken. Every other bound is
// out of reach.
void TstRendererWatch::programWorkCounts()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    platform::WebViewLimits limits = outOfReach();
    limits.busyPeriod = std::chrono::seconds(2);
    limits.busyShare = 0.3;
    host.panel->setLimits(limits);
    host.panel->navigate(server.url(QStringLiteral("/framework.html")));
    QVERIFY(host.show());

    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty(), loadTimeout);
    QCOMPARE(acted.first().at(0).toString(), QStringLiteral("busy"));
}

// clang-format off
void TstRendererWatch::pageInProgramIsRenewed_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("acts");
    QTest::newRow("a page that stores past the program's bound, replaced twice, then given up")
        << "/blobs.html" << QStringList{"program memory", "program memory", "program memory", "gave up"};
    QTest::newRow("a page that reloads itself, stopped") << "/reload.html" << QStringList{"restless"};
}
// clang-format on

// With the engine in one process (--single-process, which ctest sets for
// tst_rendererwatch_oneprocess) the engine allows one profile only, and a
// second one ends the program: each renewal keeps the one profile, emptied,
// and the program lives on. A page's renderer is a thread of the program's,
// so it is judged by what the program holds. What the page stored is gone
// with it, and it could store nothing.
void TstRendererWatch::pageInProgramIsRenewed()
{
    if (!qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--single-process")))
        QSKIP("runs with the engine in one process, as tst_rendererwatch_oneprocess");
    QFETCH(QString, path);
    QFETCH(QStringList, acts);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    platform::WebViewLimits limits = outOfReach();
    limits.selfLoads = 3;
    limits.programGrowthBytes = std::int64_t(96) << 20;
    host.panel->setLimits(limits);
    host.panel->navigate(server.url(path));
    QVERIFY(host.show());

    QTRY_VERIFY_WITH_TIMEOUT(acted.size() >= acts.size(), loadTimeout);
    QStringList actions;
    for (const QList<QVariant>& args : acted)
        actions << args.at(0).toString();
    QCOMPARE(actions, acts);
    // The panel's next page, in the same profile, keeps nothing.
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/keeps.html")));
    QTRY_VERIFY_WITH_TIMEOUT(!reported(server, QStringLiteral("kept")).isEmpty(), loadTimeout);
    QCOMPARE(reported(server, QStringLiteral("kept")), QStringLiteral("nothing"));
    QCOMPARE(selectAll(host, 10000), QStringLiteral("keeps"));
}

// With the engine in one process, a script that never returns holds a
// thread of the program's that nothing can end: the page is given up, and
// the program still ends (the engine's own ending would wait for that
// thread for ever). Run last in tst_rendererwatch_oneprocess, whose process
// must end within its time: no later case could load a page.
void TstRendererWatch::stuckPageInProgramIsLeft()
{
    if (!qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--single-process")))
        QSKIP("runs with the engine in one process, as tst_rendererwatch_oneprocess");
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    platform::WebViewPatience patience = unhurried();
    patience.load = std::chrono::milliseconds(500);
    patience.response = std::chrono::milliseconds(500);
    host.panel->setPatience(patience);
    host.panel->navigate(server.url(QStringLiteral("/hang.html")));
    QVERIFY(host.show());

    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty() && acted.last().at(0) == QStringLiteral("gave up"), loadTimeout);
    QCOMPARE(acted.first().at(0).toString(), QStringLiteral("unfinished"));
}

QTEST_MAIN(TstRendererWatch)
#include "tst_rendererwatch.moc"
