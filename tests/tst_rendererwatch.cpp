// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's adapter of the page watch, through the panel: one live case
// for each thing it does to a renderer (ended for hanging, memory or work,
// and reloaded; reloaded after a crash; given up; a slow request's load
// stopped); restless pages are tst_webpanel's. The rules themselves are
// tst_pagewatch's.
// Apart from the other web panel cases so that ctest runs the two at once.
#include "webpanelfixture.h"

#include <QElapsedTimer>

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
    // Patience for a load and for an answer, in ms: short for what is
    // checked, long enough elsewhere not to be met on a slow machine.
    QTest::addColumn<int>("loadPatience");
    QTest::addColumn<int>("answerPatience");
    QTest::newRow("a load that never finishes") << "/hang.html" << "unfinished" << 500 << 500;
    QTest::newRow("a renderer past its memory bound") << "/grow.html" << "memory" << 10000 << 1000;
    QTest::newRow("a page whose frames keep a core busy") << "/animate.html" << "busy" << 10000 << 1000;
    // Reloaded after an ending while a frame still loads, the page is
    // watched as before, though the engine may report no new load start.
    QTest::newRow("a page whose frame never loads, past its memory bound")
        << "/framegrow.html" << "memory" << 10000 << 1000;
    QTest::newRow("a page that stores past the program's bound")
        << "/blobs.html" << "program memory" << 10000 << 1000;
}
// clang-format on

void TstRendererWatch::hungPageIsEndedAndGivenUp()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(int, loadPatience);
    QFETCH(int, answerPatience);
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    QSignalSpy acted(host.panel, &WebPanel::watchActed);
    // Out of reach for a row about another reason: no answer takes a minute.
    if (reason != QStringLiteral("unfinished") && reason != QStringLiteral("unanswered"))
        answerPatience = 60000;
    host.panel->setPatience({std::chrono::milliseconds(loadPatience), std::chrono::milliseconds(answerPatience)});
    platform::WebViewLimits limits;
    limits.memoryBytes = std::int64_t(400) << 20;
    limits.busyPeriod = std::chrono::seconds(1);
    // The busy pages take four fifths of a core when they can have it; on a
    // loaded machine they may get little more than half.
    limits.busyShare = 0.25;
    limits.programGrowthBytes = std::int64_t(96) << 20;
    // The program's own work counts as the page's too (allocating, storing):
    // out of reach for a row about another reason, as no machine has that
    // many cores.
    if (reason != QStringLiteral("busy"))
        limits.busyShare = 1000;
    host.panel->setLimits(limits);
    host.panel->navigate(server.url(path));
    QVERIFY(host.show());

    // Ended and loaded again twice, then given up.
    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty() && acted.last().at(0) == QStringLiteral("gave up"), loadTimeout);
    QStringList actions;
    for (const QList<QVariant>& args : acted)
        actions << args.at(0).toString();
    QCOMPARE(actions, (QStringList{reason, reason, reason, QStringLiteral("gave up")}));
    QCOMPARE(server.requests().count(path), 3);
    // The panel's next load is tried afresh, and while it loads and shows,
    // nothing of the given-up page burns a processor any more (a renderer
    // in an endless loop would take a core) nor loads again.
    const QList<qint64> renderers = rendererPids();
    const qint64 before = cpuTicks(renderers);
    QElapsedTimer window;
    window.start();
    host.finished.clear();
    host.panel->navigate(server.url(QStringLiteral("/advert.html")));
    QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), loadTimeout);
    QCOMPARE(selectAll(host, 10000), QStringLiteral("advert"));
    const qint64 spent = (cpuTicks(renderers) - before) * 1000 / ::sysconf(_SC_CLK_TCK);
    QVERIFY2(spent < 50 + window.elapsed() / 2,
             qPrintable(QStringLiteral("%1 ms of %2").arg(spent).arg(window.elapsed())));
    QCOMPARE(server.requests().count(path), 3);
}

// A page that is shown and answers, but one of whose requests never ends:
// its load is stopped, the renderer left alone and the page kept.
void TstRendererWatch::slowRequestKeepsThePage()
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

void TstRendererWatch::crashedRendererReloadsAtOnce()
{
    PageServer server(pages);
    QVERIFY(server.isListening());
    Host host;
    // Far longer than this test waits: each reload must come from a crash.
    host.panel->setPatience({std::chrono::minutes(5), std::chrono::minutes(5)});
    QVERIFY(host.showLoaded(server.url(QStringLiteral("/advert.html"))));

    for (int crash = 1; crash <= 2; ++crash) {
        const QList<qint64> renderers = rendererPids();
        QVERIFY(!renderers.isEmpty());
        host.finished.clear();
        for (qint64 pid : renderers)
            killRenderer(pid);
        QTRY_VERIFY_WITH_TIMEOUT(hasFinished(host.finished, true), 15000);
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
    host.panel->setPatience({std::chrono::minutes(5), std::chrono::minutes(5)});
    platform::WebViewLimits limits;
    limits.memoryBytes = std::int64_t(8) << 30;
    limits.programGrowthBytes = std::int64_t(8) << 30;
    limits.requests = 1000000;
    limits.fetches = 1000000;
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
    host.panel->setPatience({std::chrono::minutes(5), std::chrono::minutes(5)});
    platform::WebViewLimits limits;
    limits.busyShare = 1000;
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
    host.panel->setPatience({std::chrono::milliseconds(500), std::chrono::milliseconds(500)});
    platform::WebViewLimits limits;
    limits.busyShare = 1000;
    limits.programGrowthBytes = std::int64_t(8) << 30;
    host.panel->setLimits(limits);
    host.panel->navigate(server.url(QStringLiteral("/hang.html")));
    QVERIFY(host.show());

    QTRY_VERIFY_WITH_TIMEOUT(!acted.isEmpty() && acted.last().at(0) == QStringLiteral("gave up"), loadTimeout);
    QCOMPARE(acted.first().at(0).toString(), QStringLiteral("unfinished"));
}

QTEST_MAIN(TstRendererWatch)
#include "tst_rendererwatch.moc"
