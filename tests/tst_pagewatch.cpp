// SPDX-License-Identifier: GPL-3.0-or-later
// The page watch's rules on synthetic time. Each row is a story of events,
// one word each, with the time in ms after '@':
//   load    the panel's own load        start / finish   a load started / finished
//   tick    the time asked for came; ":m=MB,c=MS,p=MB,q=MS" adds the
//           resident memory and processor time of the page's process, and
//           the program's own resident memory and processor time
//   pong    the answer to the last ping (":loading": the page is not shown);
//           pongN answers ping N
//   self    the page loads itself        req   a frame load or dialog
//   fetch   a network request of the page
//   gone    the page's process is gone
// and what the watch decided, one word per decision other than "nothing".
// In rows that are not about pings, each ping is answered "shown" at once
// and not listed.
#include "platform/watch/pagewatch.h"
#include "platform/watch/timerdelay.h"

#include <QStringList>
#include <QTest>

using namespace platform::watch;

namespace {

// Short enough to write stories with; the rules scale.
Patience testPatience()
{
    return {Ms(5000), Ms(1000), Ms(10000)};
}

Limits testLimits()
{
    Limits limits;
    limits.memoryBytes = std::int64_t(100) << 20;
    limits.busyShare = 0.5;
    limits.busyPeriod = Ms(2000);
    limits.selfLoads = 3;
    limits.selfLoadPeriod = Ms(10000);
    limits.requests = 5;
    limits.programGrowthBytes = std::int64_t(20) << 20;
    limits.fetches = 8;
    return limits;
}

QString word(const Decision& d)
{
    switch (d.action) {
    case Action::None: return {};
    case Action::Ping: return QStringLiteral("ping");
    case Action::End: return QStringLiteral("end:") + QLatin1String(name(d.reason));
    case Action::StopLoad: return QStringLiteral("stopload");
    case Action::Reload: return QStringLiteral("reload");
    case Action::GiveUp: return QStringLiteral("giveup");
    case Action::Refuse: return QStringLiteral("refuse");
    case Action::StopPage: return QStringLiteral("stoppage");
    }
    return {};
}

struct Run {
    QStringList decisions;
    Decision last;
};

Run play(const QString& story, bool answering)
{
    PageWatch watch;
    watch.setPatience(testPatience());
    watch.setLimits(testLimits());
    Run run;
    int lastPing = 0;
    const auto note = [&](Ms now, Decision d) {
        if (d.action == Action::Ping) {
            lastPing = d.ping;
            if (answering)
                d = watch.answered(now, d.ping, true);
        }
        if (!word(d).isEmpty())
            run.decisions << word(d);
        run.last = d;
    };
    for (const QString& step : story.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString event = step.section(QLatin1Char('@'), 0, 0);
        const QString rest = step.section(QLatin1Char('@'), 1);
        const Ms now(rest.section(QLatin1Char(':'), 0, 0).toLongLong());
        const QString detail = rest.section(QLatin1Char(':'), 1);
        if (event == u"load") {
            note(now, watch.load(now));
        } else if (event == u"start") {
            note(now, watch.loadStarted(now));
        } else if (event == u"finish") {
            note(now, watch.loadFinished(now));
        } else if (event == u"tick") {
            Usage usage;
            for (const QString& field : detail.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const qint64 value = field.mid(2).toLongLong();
                if (field.startsWith(u"m="))
                    usage.residentBytes = value << 20;
                else if (field.startsWith(u"c="))
                    usage.cpu = Ms(value);
                else if (field.startsWith(u"p="))
                    usage.programBytes = value << 20;
                else if (field.startsWith(u"q="))
                    usage.programCpu = Ms(value);
            }
            note(now, watch.tick(now, usage));
        } else if (event.startsWith(u"pong")) {
            const int ping = event.size() > 4 ? event.mid(4).toInt() : lastPing;
            note(now, watch.answered(now, ping, detail != u"loading"));
        } else if (event == u"self") {
            note(now, watch.selfLoad(now));
        } else if (event == u"req") {
            note(now, watch.request(now));
        } else if (event == u"fetch") {
            note(now, watch.fetch(now));
        } else if (event == u"gone") {
            note(now, watch.gone(now));
        } else {
            qFatal("unknown event %s", qPrintable(step));
        }
    }
    return run;
}

// Ticks every 250 ms from `from` to `to`, the processor time growing by
// `share` of the time since `from`.
QString busyTicks(int from, int to, double share)
{
    QStringList ticks;
    for (int t = from; t <= to; t += 250)
        ticks << QStringLiteral("tick@%1:c=%2").arg(t).arg(qint64(share * (t - from)));
    return ticks.join(QLatin1Char(' '));
}

// The same, with the page's processor time growing by pageShare and the
// program's by programShare; a share below zero leaves its field out.
QString sharedTicks(int from, int to, double pageShare, double programShare)
{
    QStringList ticks;
    for (int t = from; t <= to; t += 250) {
        QStringList fields;
        if (pageShare >= 0)
            fields << QStringLiteral("c=%1").arg(qint64(pageShare * (t - from)));
        if (programShare >= 0)
            fields << QStringLiteral("q=%1").arg(qint64(programShare * (t - from)));
        ticks << QStringLiteral("tick@%1:%2").arg(t).arg(fields.join(QLatin1Char(',')));
    }
    return ticks.join(QLatin1Char(' '));
}

// n fetches, one a millisecond from `from` on.
QString fetches(int from, int n)
{
    QStringList events;
    for (int i = 0; i < n; ++i)
        events << QStringLiteral("fetch@%1").arg(from + i);
    return events.join(QLatin1Char(' '));
}

} // namespace

class TstPageWatch : public QObject {
    Q_OBJECT

private slots:
    void decides_data();
    void decides();
    void looksAgain_data();
    void looksAgain();
    void timerWaits_data();
    void timerWaits();
};

// clang-format off
void TstPageWatch::decides_data()
{
    QTest::addColumn<QString>("story");
    QTest::addColumn<bool>("answering");
    QTest::addColumn<QString>("decided");

    // Patience: 5 s to load, 1 s to answer.
    QTest::newRow("a load within its patience is left alone")
        << "load@0 start@10 tick@5000 finish@5000" << false << "";
    QTest::newRow("a load past its patience is pinged")
        << "load@0 start@10 tick@5011" << false << "ping";
    QTest::newRow("an overdue load whose page is not shown is ended")
        << "load@0 start@10 tick@5011 pong@5100:loading" << false << "ping end:unfinished";
    QTest::newRow("an overdue load whose page is shown is only stopped")
        << "load@0 start@10 tick@5011 pong@5100 tick@5400" << false << "ping stopload ping";
    QTest::newRow("an overdue load that never answers is ended as unfinished")
        << "load@0 tick@5001 tick@6002" << false << "ping end:unfinished";
    QTest::newRow("an answer just within the patience keeps the process")
        << "load@0 finish@100 tick@250 tick@1250 pong@1250" << false << "ping";
    QTest::newRow("a loaded page that stops answering is ended")
        << "load@0 finish@100 tick@250 tick@1251" << false << "ping end:unanswered";
    QTest::newRow("a loaded page is pinged every quarter of the patience")
        << "load@0 finish@100 tick@250 pong@260 tick@400 tick@500" << false << "ping ping";
    QTest::newRow("an answer to a ping before a new load never ends that load")
        << "load@0 finish@100 tick@250 start@300 tick@5301 pong1@5310:loading" << false << "ping ping";

    // Memory: 100 MB; looked at while loading too.
    QTest::newRow("memory within its bound")
        << "load@0 tick@250:m=100 finish@300 tick@500:m=100" << true << "";
    QTest::newRow("memory past its bound while loading")
        << "load@0 tick@250:m=101" << true << "end:memory";
    QTest::newRow("memory past its bound once loaded")
        << "load@0 finish@100 tick@250:m=50 tick@500:m=101" << true << "end:memory";

    // The program's own memory: 20 MB over the least it held.
    QTest::newRow("the program grown within its bound")
        << "load@0 tick@250:p=100 finish@300 tick@500:p=120" << true << "";
    QTest::newRow("the program grown past its bound")
        << "load@0 tick@250:p=100 tick@500:p=121" << true << "end:program memory";
    QTest::newRow("the program's growth is counted from the least it held")
        << "load@0 tick@250:p=120 tick@500:p=100 tick@750:p=121" << true << "end:program memory";
    // What the allocator keeps of a page that went is not its reload's.
    QTest::newRow("a reload's growth is counted from what the program held after the page went")
        << "load@0 tick@250:p=100 tick@500:p=130 gone@510 tick@750:p=125 tick@1000:p=145" << true
        << "end:program memory reload";
    QTest::newRow("and past its bound, a reload is ended too")
        << "load@0 tick@250:p=100 tick@500:p=130 gone@510 tick@750:p=125 tick@1000:p=146" << true
        << "end:program memory reload end:program memory";
    QTest::newRow("nor does the panel's next load excuse it")
        << "load@0 tick@250:p=100 load@300 tick@500:p=125" << true << "end:program memory";

    // Busy: half a core over 2 s while nothing loads.
    QTest::newRow("busy past its share once loaded")
        << "load@0 finish@0 " + busyTicks(250, 2250, 0.6) << true << "end:busy";
    QTest::newRow("busy at its share is allowed")
        << "load@0 finish@0 " + busyTicks(250, 2250, 0.5) << true << "";
    QTest::newRow("busy for less than its period is allowed")
        << "load@0 finish@0 " + busyTicks(250, 2000, 1.0) << true << "";
    QTest::newRow("busy while loading is not judged")
        << "load@0 " + busyTicks(250, 4750, 1.0) << true << "";
    QTest::newRow("an idle past does not excuse a busy present")
        << "load@0 finish@0 " + busyTicks(250, 4250, 0) + " " + busyTicks(4500, 6500, 0.9) << true << "end:busy";
    // The program's own work for the page (its requests, storage, drawing)
    // counts with the page's.
    QTest::newRow("the page's and the program's work, each within the share, together past it")
        << "load@0 finish@0 " + sharedTicks(250, 2250, 0.3, 0.3) << true << "end:busy";
    QTest::newRow("the program's own work past the share with an idle page")
        << "load@0 finish@0 " + sharedTicks(250, 2250, 0, 0.6) << true << "end:busy";
    QTest::newRow("a page in the program's own process, judged by the program's work")
        << "load@0 finish@0 " + sharedTicks(250, 2250, -1, 0.6) << true << "end:busy";
    QTest::newRow("the page's and the program's work together at the share is allowed")
        << "load@0 finish@0 " + sharedTicks(250, 2250, 0.25, 0.25) << true << "";
    QTest::newRow("the program's work while loading is not judged")
        << "load@0 " + sharedTicks(250, 4750, 0, 1.0) << true << "";
    QTest::newRow("a new load starts the busy period afresh")
        << "load@0 finish@0 " + busyTicks(250, 2000, 1.0) + " start@2100 finish@2200 tick@2250:c=1800"
        << true << "";

    // Second chances: two per 10 s.
    QTest::newRow("a gone process is reloaded twice, then given up")
        << "load@0 gone@10 gone@20 gone@30" << false << "reload reload giveup";
    QTest::newRow("a second chance comes back after the retry window")
        << "load@0 gone@10 gone@20 gone@10010 gone@10015" << false << "reload reload reload giveup";
    QTest::newRow("the panel's own load brings fresh chances")
        << "load@0 gone@10 gone@20 load@30 gone@40" << false << "reload reload reload";
    QTest::newRow("an ending counts as a chance used")
        << "load@0 tick@250:m=200 gone@260 tick@500:m=200 gone@510 tick@750:m=200 gone@760"
        << true << "end:memory reload end:memory reload end:memory giveup";
    QTest::newRow("a process that outlives its ending is ended again")
        << "load@0 tick@250:m=200 tick@1000 tick@1251" << true << "end:memory end:memory";
    QTest::newRow("nothing is watched before the panel's first load")
        << "start@0 tick@250:m=200 gone@300 tick@5500" << false << "";
    QTest::newRow("nothing is watched once given up")
        << "load@0 gone@10 gone@20 gone@30 start@40 tick@250:m=200 tick@9000" << false << "reload reload giveup";

    // A reload after an ending is watched whether or not its start is
    // ever reported, through to the next ending.
    QTest::newRow("a reload whose start is never reported is ended for memory")
        << "load@0 start@0 tick@250:m=200 gone@260 tick@510:m=200" << true << "end:memory reload end:memory";
    QTest::newRow("a reload whose start is never reported is ended unfinished")
        << "load@0 start@0 tick@250:m=200 gone@260 tick@5261 pong@5300:loading" << false
        << "end:memory reload ping end:unfinished";
    QTest::newRow("a reload whose start is never reported is ended busy once finished")
        << "load@0 start@0 tick@250:m=200 gone@260 finish@300 " + busyTicks(500, 2500, 0.9) << true
        << "end:memory reload end:busy";
    QTest::newRow("a crash during a load is reloaded and watched alike")
        << "load@0 start@0 gone@100 tick@5101 pong@5101:loading" << false << "reload ping end:unfinished";

    // The page's own loads: three per 10 s.
    QTest::newRow("self-loads within the limit") << "load@0 self@1 self@2 self@3" << false << "";
    QTest::newRow("one self-load more stops the page")
        << "load@0 self@1 self@2 self@3 self@4" << false << "stoppage";
    QTest::newRow("a stopped page loads nothing more of its own")
        << "load@0 self@1 self@2 self@3 self@4 self@20000" << false << "stoppage refuse";
    QTest::newRow("a stopped page is neither watched nor reloaded")
        << "load@0 self@1 self@2 self@3 self@4 start@5 tick@250:m=200 gone@300" << false << "stoppage";
    QTest::newRow("self-loads age out of their period")
        << "load@0 self@1 self@2 self@3 self@10001" << false << "";
    QTest::newRow("the panel's own load gives a fresh count of self-loads")
        << "load@0 self@1 self@2 self@3 load@5 self@6" << false << "";
    QTest::newRow("the panel's own load takes a stopped page back")
        << "load@0 self@1 self@2 self@3 self@4 load@5 self@6 tick@250:m=200" << true << "stoppage end:memory";

    // Frame loads and script dialogs: five per 10 s.
    QTest::newRow("requests within the limit") << "load@0 req@1 req@2 req@3 req@4 req@5" << false << "";
    QTest::newRow("a storm of requests stops the page")
        << "load@0 req@1 req@2 req@3 req@4 req@5 req@6 req@7" << false << "stoppage refuse";
    QTest::newRow("requests are counted apart from self-loads")
        << "load@0 self@1 self@2 req@3 req@4 self@5" << false << "";

    // Network requests: eight per 10 s.
    QTest::newRow("fetches within the budget") << "load@0 " + fetches(1, 8) << false << "";
    QTest::newRow("a storm of fetches stops the page")
        << "load@0 " + fetches(1, 10) << false << "stoppage refuse";
    QTest::newRow("fetches are counted apart from frame loads and dialogs")
        << "load@0 req@1 req@2 req@3 req@4 req@5 " + fetches(6, 8) << false << "";
    QTest::newRow("fetches age out of their period")
        << "load@0 " + fetches(1, 8) + " fetch@10001" << false << "";
    QTest::newRow("the panel's own load gives a fresh count of fetches")
        << "load@0 " + fetches(1, 8) + " load@20 fetch@21" << false << "";
    QTest::newRow("a page stopped for its fetches is neither watched nor reloaded")
        << "load@0 " + fetches(1, 9) + " tick@250:m=200,p=500 gone@300" << false << "stoppage";
}
// clang-format on

void TstPageWatch::decides()
{
    QFETCH(QString, story);
    QFETCH(bool, answering);
    QFETCH(QString, decided);
    QCOMPARE(play(story, answering).decisions.join(QLatin1Char(' ')), decided);
}

// clang-format off
void TstPageWatch::looksAgain_data()
{
    QTest::addColumn<QString>("story");
    QTest::addColumn<qint64>("next"); // -1: never
    QTest::newRow("memory is looked at four times a second") << "load@0" << qint64(250);
    QTest::newRow("fast growth brings the next look forward")
        << "load@0 tick@250:m=10 tick@500:m=60" << qint64(600);
    QTest::newRow("the next look is never sooner than 20 ms")
        << "load@0 tick@250:m=10 tick@500:m=99" << qint64(520);
    // 10 MB in 250 ms, 10 MB short of the program's bound: halfway there at
    // that pace is 125 ms on.
    QTest::newRow("the program's fast growth brings the next look forward")
        << "load@0 tick@250:p=100 tick@500:p=110" << qint64(625);
    // 15 MB in 250 ms once, 6 MB short of the bound after a fall: halfway
    // there at the fastest pace seen is 50 ms on.
    QTest::newRow("a fall in the program's memory does not slow the looks near its bound")
        << "load@0 tick@250:p=100 tick@500:p=115 tick@520:p=114" << qint64(570);
    QTest::newRow("the program's bound is looked at no less often than the page's")
        << "load@0 tick@250:m=10,p=100 tick@500:m=11,p=119" << qint64(520);
    QTest::newRow("a ping is waited for through its patience")
        << "load@0 finish@0 tick@100 tick@900" << qint64(1101);
    QTest::newRow("an ending is looked at again after the patience")
        << "load@0 tick@250:m=200" << qint64(1251);
    QTest::newRow("a page given up is not looked at")
        << "load@0 gone@10 gone@20 gone@30" << qint64(-1);
    QTest::newRow("a stopped page is not looked at")
        << "load@0 self@1 self@2 self@3 self@4" << qint64(-1);
}
// clang-format on

void TstPageWatch::looksAgain()
{
    QFETCH(QString, story);
    QFETCH(qint64, next);
    const Decision last = play(story, false).last;
    QCOMPARE(last.next == kNever ? qint64(-1) : qint64(last.next.count()), next);
}

// What an adapter's timer waits for a decision's next look.
// clang-format off
void TstPageWatch::timerWaits_data()
{
    QTest::addColumn<qint64>("next"); // -1: never
    QTest::addColumn<qint64>("now");
    QTest::addColumn<qint64>("delay"); // -1: no timer
    QTest::newRow("a look ahead") << qint64(1250) << qint64(1000) << qint64(250);
    QTest::newRow("a look due now") << qint64(1000) << qint64(1000) << qint64(0);
    QTest::newRow("a look overdue") << qint64(900) << qint64(1000) << qint64(0);
    QTest::newRow("a look an hour ahead") << qint64(3600000) << qint64(0) << qint64(3600000);
    QTest::newRow("a look past an hour ahead") << qint64(3600001) << qint64(0) << qint64(3600000);
    QTest::newRow("no look") << qint64(-1) << qint64(1000) << qint64(-1);
}
// clang-format on

void TstPageWatch::timerWaits()
{
    QFETCH(qint64, next);
    QFETCH(qint64, now);
    QFETCH(qint64, delay);
    const std::optional<Ms> wait = timerDelay(next < 0 ? kNever : Ms(next), Ms(now));
    QCOMPARE(wait ? qint64(wait->count()) : qint64(-1), delay);
}

QTEST_GUILESS_MAIN(TstPageWatch)
#include "tst_pagewatch.moc"
