// SPDX-License-Identifier: GPL-3.0-or-later
// What the web panel and its advert host share, on every system: the line
// protocol between them (what the panel takes from the host, never trusted),
// the rules the host's browser site answers a page's events with, and what
// the panel lets the host make it do.
#include "platform/advert/advertprotocol.h"
#include "platform/advert/hostrules.h"
#include "platform/advert/siterules.h"

#include <QRegularExpression>
#include <QTest>

using advert::HostMessage;
using advert::Ms;
using advert::PageKey;
using advert::TopNavigation;

class TstAdvertLink : public QObject {
    Q_OBJECT

private slots:
    void hostLines_data();
    void hostLines();
    void panelLines_data();
    void panelLines();
    void linesAreBounded_data();
    void linesAreBounded();
    void addressesAreEncoded_data();
    void addressesAreEncoded();
    void opensFollowClicks_data();
    void opensFollowClicks();
    void hostLinesAreBudgeted_data();
    void hostLinesAreBudgeted();
    void navigationPolicy_data();
    void navigationPolicy();
    void sitePolicy_data();
    void sitePolicy();
    void topFramePolicy_data();
    void topFramePolicy();
    void urlActionPolicy_data();
    void urlActionPolicy();
    void keyPolicy_data();
    void keyPolicy();
    void newWindowPolicy_data();
    void newWindowPolicy();
    void downloadPolicy_data();
    void downloadPolicy();
};

// clang-format off
void TstAdvertLink::hostLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind"); // -1: not a message
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<qulonglong>("number");
    const int none = -1;
    QTest::newRow("hello") << QByteArray("hello 1") << int(HostMessage::Kind::Hello) << QByteArray() << 1ull;
    QTest::newRow("a load began") << QByteArray("started") << int(HostMessage::Kind::Started) << QByteArray() << 0ull;
    QTest::newRow("loaded") << QByteArray("loaded ok") << int(HostMessage::Kind::LoadedOk) << QByteArray() << 0ull;
    QTest::newRow("failed") << QByteArray("loaded failed") << int(HostMessage::Kind::LoadedFailed) << QByteArray() << 0ull;
    QTest::newRow("open") << QByteArray("open https://a.example/x?y=%E4") << int(HostMessage::Kind::Open)
                          << QByteArray("https://a.example/x?y=%E4") << 0ull;
    QTest::newRow("tab on") << QByteArray("tab forward") << int(HostMessage::Kind::TabForward) << QByteArray() << 0ull;
    QTest::newRow("tab back") << QByteArray("tab backward") << int(HostMessage::Kind::TabBackward) << QByteArray() << 0ull;
    QTest::newRow("pong") << QByteArray("pong 18446744073709551615") << int(HostMessage::Kind::Pong) << QByteArray()
                          << 18446744073709551615ull;
    QTest::newRow("pong past 64 bits") << QByteArray("pong 18446744073709551616") << none << QByteArray() << 0ull;
    QTest::newRow("pong with a sign") << QByteArray("pong -1") << none << QByteArray() << 0ull;
    QTest::newRow("pong with a plus") << QByteArray("pong +1") << none << QByteArray() << 0ull;
    QTest::newRow("pong with a tail") << QByteArray("pong 1x") << none << QByteArray() << 0ull;
    QTest::newRow("pong without number") << QByteArray("pong") << none << QByteArray() << 0ull;
    QTest::newRow("hello without version") << QByteArray("hello ") << none << QByteArray() << 0ull;
    QTest::newRow("open with a blank") << QByteArray("open http://a.example/ b") << none << QByteArray() << 0ull;
    QTest::newRow("open with a control") << QByteArray("open http://a.example/\r") << none << QByteArray() << 0ull;
    QTest::newRow("open with a raw byte") << QByteArray("open http://a.example/\xe4") << none << QByteArray() << 0ull;
    QTest::newRow("open with a NUL") << QByteArray("open http://a\0b", 15) << none << QByteArray() << 0ull;
    QTest::newRow("open nothing") << QByteArray("open ") << none << QByteArray() << 0ull;
    QTest::newRow("loaded, in capitals") << QByteArray("LOADED OK") << none << QByteArray() << 0ull;
    QTest::newRow("two blanks") << QByteArray("loaded  ok") << none << QByteArray() << 0ull;
    QTest::newRow("a carriage return") << QByteArray("loaded ok\r") << none << QByteArray() << 0ull;
    QTest::newRow("the panel's own word") << QByteArray("navigate http://a.example/") << none << QByteArray() << 0ull;
    QTest::newRow("nothing") << QByteArray() << none << QByteArray() << 0ull;
}
// clang-format on

void TstAdvertLink::hostLines()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(QByteArray, url);
    QFETCH(qulonglong, number);
    const auto message = advert::parseHostLine(std::string_view(line.constData(), line.size()));
    QCOMPARE(message.has_value(), kind >= 0);
    if (!message)
        return;
    QCOMPARE(int(message->kind), kind);
    QCOMPARE(QByteArray::fromStdString(message->url), url);
    QCOMPARE(qulonglong(message->number), number);
}

// What the host makes of the panel's lines, and each line as the panel
// writes it read back.
// clang-format off
void TstAdvertLink::panelLines_data()
{
    using advert::PanelMessage;
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind"); // -1: not a message
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const int none = -1;
    QTest::newRow("navigate") << QByteArray(advert::navigateLine("http://a.example/%20").c_str())
                              << int(PanelMessage::Kind::Navigate) << 0 << 0;
    QTest::newRow("resize") << QByteArray(advert::resizeLine(625, 129).c_str()) << int(PanelMessage::Kind::Resize)
                            << 625 << 129;
    QTest::newRow("focus in") << QByteArray(advert::focusLine(true).c_str()) << int(PanelMessage::Kind::FocusIn) << 0 << 0;
    QTest::newRow("focus out") << QByteArray(advert::focusLine(false).c_str()) << int(PanelMessage::Kind::FocusOut) << 0 << 0;
    QTest::newRow("ping") << QByteArray(advert::pingLine(7).c_str()) << int(PanelMessage::Kind::Ping) << 0 << 0;
    QTest::newRow("quit") << QByteArray(advert::quitLine().c_str()) << int(PanelMessage::Kind::Quit) << 0 << 0;
    QTest::newRow("resize past any screen") << QByteArray("resize 40000 10\n") << none << 0 << 0;
    QTest::newRow("resize, one side") << QByteArray("resize 40\n") << none << 0 << 0;
    QTest::newRow("resize, negative") << QByteArray("resize -4 10\n") << none << 0 << 0;
    QTest::newRow("navigate nowhere") << QByteArray("navigate \n") << none << 0 << 0;
}
// clang-format on

void TstAdvertLink::panelLines()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, height);
    QVERIFY(line.endsWith('\n'));
    line.chop(1);
    const auto message = advert::parsePanelLine(std::string_view(line.constData(), line.size()));
    QCOMPARE(message.has_value(), kind >= 0);
    if (!message)
        return;
    QCOMPARE(int(message->kind), kind);
    QCOMPARE(message->width, width);
    QCOMPARE(message->height, height);
    if (message->kind == advert::PanelMessage::Kind::Navigate)
        QCOMPARE(message->url, std::string("http://a.example/%20"));
    if (message->kind == advert::PanelMessage::Kind::Ping)
        QCOMPARE(message->number, std::uint64_t(7));
}

// The reader hands on whole lines only, each at most the bound long,
// whichever pieces the pipe delivers them in.
// clang-format off
void TstAdvertLink::linesAreBounded_data()
{
    const QByteArray longest(int(advert::kMaxLineLength), 'x');
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<int>("dropped");
    QTest::newRow("two lines in one piece") << QByteArrayList{"pong 1\npong 2\n"} << QByteArrayList{"pong 1", "pong 2"} << 0;
    QTest::newRow("a line across pieces") << QByteArrayList{"po", "ng 1", "\n"} << QByteArrayList{"pong 1"} << 0;
    QTest::newRow("an unfinished line waits") << QByteArrayList{"pong 1\npong"} << QByteArrayList{"pong 1"} << 0;
    QTest::newRow("the longest line") << QByteArrayList{longest + "\n"} << QByteArrayList{longest} << 0;
    QTest::newRow("one byte longer is dropped")
        << QByteArrayList{longest, "y\npong 3\n"} << QByteArrayList{"pong 3"} << 1;
    QTest::newRow("a longer line is dropped to its end")
        << QByteArrayList{longest, "y", "still the same line\npong 4\n"} << QByteArrayList{"pong 4"} << 1;
    QTest::newRow("an empty line") << QByteArrayList{"\n"} << QByteArrayList{""} << 0;
}
// clang-format on

void TstAdvertLink::linesAreBounded()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArrayList, lines);
    QFETCH(int, dropped);
    advert::LineReader reader;
    QByteArrayList got;
    for (const QByteArray& piece : pieces)
        reader.feed(std::string_view(piece.constData(), piece.size()),
                    [&got](std::string_view line) { got << QByteArray(line.data(), qsizetype(line.size())); });
    QCOMPARE(got, lines);
    QCOMPARE(reader.dropped(), dropped);
}

// An address as the host hands it on: whatever the control gave it, a line
// the panel's parser takes whole.
// clang-format off
void TstAdvertLink::addressesAreEncoded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("a plain address as it is") << QByteArray("http://a.example/x?y=1#z") << QByteArray("http://a.example/x?y=1#z");
    QTest::newRow("an escape stays as it was") << QByteArray("http://a.example/%E4%B8%AD") << QByteArray("http://a.example/%E4%B8%AD");
    QTest::newRow("a blank") << QByteArray("http://a.example/a b") << QByteArray("http://a.example/a%20b");
    QTest::newRow("Chinese in UTF-8") << QByteArray("http://a.example/\xe5\xb9\xbf") << QByteArray("http://a.example/%E5%B9%BF");
    QTest::newRow("a line break") << QByteArray("http://a.example/\r\nopen x") << QByteArray("http://a.example/%0D%0Aopen%20x");
    QTest::newRow("DEL") << QByteArray("http://a.example/\x7f") << QByteArray("http://a.example/%7F");
    QTest::newRow("a tilde, the last plain character") << QByteArray("http://a.example/~") << QByteArray("http://a.example/~");
}
// clang-format on

void TstAdvertLink::addressesAreEncoded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, encoded);
    const std::string got = advert::percentEncoded(std::string_view(bytes.constData(), bytes.size()));
    QCOMPARE(QByteArray::fromStdString(got), encoded);
    std::string line = advert::openLine(got);
    line.pop_back();
    const auto message = advert::parseHostLine(line);
    QVERIFY(message);
    QCOMPARE(int(message->kind), int(HostMessage::Kind::Open));
    QCOMPARE(QByteArray::fromStdString(message->url), encoded);
}

// A story of the user's presses in the host's window ("click") and the
// host's requests to open an address ("open"), each at a time in ms after
// '@', and what became of each request: y allowed, n refused. Within 5 s of
// a press, one open for each, four a minute.
// clang-format off
void TstAdvertLink::opensFollowClicks_data()
{
    QTest::addColumn<QString>("story");
    QTest::addColumn<QString>("opens");
    QTest::newRow("an open without a click") << "open@0" << "n";
    QTest::newRow("an open before the click") << "open@0 click@1" << "n";
    QTest::newRow("an open shortly after a click") << "click@0 open@100" << "y";
    QTest::newRow("one open for each click") << "click@0 open@100 open@200" << "yn";
    QTest::newRow("a second click, a second open") << "click@0 open@100 click@200 open@300" << "yy";
    QTest::newRow("two clicks, still one open") << "click@0 click@50 open@100 open@200" << "yn";
    QTest::newRow("an open at the end of the time") << "click@0 open@5000" << "y";
    QTest::newRow("an open past the time") << "click@0 open@5001" << "n";
    QTest::newRow("the latest click counts") << "click@0 click@4000 open@8000" << "y";
    QTest::newRow("four a minute")
        << "click@0 open@1 click@2 open@3 click@4 open@5 click@6 open@7 click@8 open@9" << "yyyyn";
    QTest::newRow("a minute later, one more")
        << "click@0 open@1 click@2 open@3 click@4 open@5 click@6 open@7 click@60000 open@60001" << "yyyyy";
    QTest::newRow("within the minute, none")
        << "click@0 open@1 click@2 open@3 click@4 open@5 click@6 open@7 click@59990 open@60000" << "yyyyn";
}
// clang-format on

void TstAdvertLink::opensFollowClicks()
{
    QFETCH(QString, story);
    QFETCH(QString, opens);
    advert::OpenGate gate;
    QString got;
    for (const QString& event : story.split(QLatin1Char(' '))) {
        const QStringList parts = event.split(QLatin1Char('@'));
        const Ms at(parts.value(1).toLongLong());
        if (parts.value(0) == QLatin1String("click"))
            gate.userAction(at);
        else
            got += gate.mayOpen(at) ? QLatin1Char('y') : QLatin1Char('n');
    }
    QCOMPARE(got, opens);
}

// The host's lines as runs "N{w|u}@T+S": N lines the panel wanted (w) or
// not (u), the first at T ms and one every S ms after it; and the number of
// the first line past the bounds (0: none), after which no line is within.
// A hundred lines in 10 s, ten of them unwanted.
// clang-format off
void TstAdvertLink::hostLinesAreBudgeted_data()
{
    QTest::addColumn<QString>("runs");
    QTest::addColumn<int>("past");
    QTest::newRow("a hundred lines at once") << "100w@0+0" << 0;
    QTest::newRow("a hundred and one at once") << "101w@0+0" << 101;
    QTest::newRow("one every 100 ms, for ever") << "1000w@0+100" << 0;
    QTest::newRow("a hundred, then one more just before 10 s") << "100w@0+0 1w@9999+0" << 101;
    QTest::newRow("a hundred, then one more at 10 s") << "100w@0+0 1w@10000+0" << 0;
    QTest::newRow("ten unwanted lines") << "10u@0+1" << 0;
    QTest::newRow("the eleventh unwanted line") << "10u@0+1 1u@9000+0" << 11;
    QTest::newRow("ten unwanted lines a period apart") << "10u@0+1 10u@10000+1" << 0;
    QTest::newRow("unwanted lines among wanted ones") << "5u@0+0 20w@100+100 6u@2100+1" << 31;
    QTest::newRow("a flood, wanted and not") << "95w@0+0 6u@1+0" << 101;
    QTest::newRow("past once, past for good") << "11u@0+0 1w@60000+0" << 11;
}
// clang-format on

void TstAdvertLink::hostLinesAreBudgeted()
{
    QFETCH(QString, runs);
    QFETCH(int, past);
    advert::LineBudget budget;
    int number = 0;
    int firstPast = 0;
    for (const QString& run : runs.split(QLatin1Char(' '))) {
        const QStringList parts = run.split(QRegularExpression(QStringLiteral("[@+]")));
        const int count = parts.value(0).chopped(1).toInt();
        const bool wanted = parts.value(0).endsWith(QLatin1Char('w'));
        for (int i = 0; i < count; ++i) {
            ++number;
            const Ms at(parts.value(1).toLongLong() + i * parts.value(2).toLongLong());
            const bool within = budget.take(at, wanted);
            if (!within && firstPast == 0)
                firstPast = number;
            QVERIFY2(within == (firstPast == 0), qPrintable(QStringLiteral("line %1").arg(number)));
        }
    }
    QCOMPARE(firstPast, past);
}

// What a page (or the panel) may navigate the control to.
// clang-format off
void TstAdvertLink::navigationPolicy_data()
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
    QTest::newRow("a scheme with a letter past ASCII") << QString::fromUtf8("htt\u0440://www.example.com/") << false;
    QTest::newRow("no colon after the scheme") << "http//www.example.com/" << false;
    QTest::newRow("nothing") << "" << false;
}
// clang-format on

void TstAdvertLink::navigationPolicy()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(advert::browserMayNavigate(url.toStdWString()), allowed);
}

// Where a page may take the panel without a click: the advert's own site.
// clang-format off
void TstAdvertLink::sitePolicy_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("stays");
    const QString site = "http://www.orvane.example/guanggao54.html";
    const QString loopback = "http://127.0.0.1:18754/guanggao54.html";
    QTest::newRow("another page of the site") << site << "http://www.orvane.example/b/c.html?d#e" << true;
    QTest::newRow("the site in capitals") << site << "HTTP://WWW.Orvane.EXAMPLE/" << true;
    QTest::newRow("to https") << site << "https://www.orvane.example/" << true;
    QTest::newRow("to the bare name") << site << "https://orvane.example/" << true;
    QTest::newRow("from the bare name to www") << "http://orvane.example/" << "http://www.orvane.example/x" << true;
    QTest::newRow("the port written out") << site << "http://www.orvane.example:80/" << true;
    QTest::newRow("a trailing dot") << site << "http://www.orvane.example./" << true;
    QTest::newRow("user information before the host") << site << "http://evil.example@www.orvane.example/" << true;
    QTest::newRow("another host") << site << "http://www.evil.example/" << false;
    QTest::newRow("a host ending like the site") << site << "http://evilorvane.example/" << false;
    QTest::newRow("a subdomain of the site") << site << "http://ads.orvane.example/" << false;
    QTest::newRow("the site's name as a subdomain") << site << "http://www.orvane.example.evil.example/" << false;
    QTest::newRow("the site's name as user information") << site << "http://www.orvane.example@evil.example/" << false;
    QTest::newRow("the site's name in the path") << site << "http://evil.example/www.orvane.example" << false;
    QTest::newRow("a backslash ends the host") << site << "http://evil.example\\www.orvane.example/" << false;
    QTest::newRow("another port") << site << "http://www.orvane.example:8080/" << false;
    QTest::newRow("https on http's port") << site << "https://www.orvane.example:80/" << false;
    QTest::newRow("https on another port") << site << "https://www.orvane.example:8443/" << false;
    QTest::newRow("a percent-escape in the host") << site << "http://www.orvane%2Eexample/" << false;
    QTest::newRow("another scheme") << site << "ftp://www.orvane.example/" << false;
    QTest::newRow("the empty page") << site << "about:blank" << false;
    QTest::newRow("the loopback site's port") << loopback << "https://127.0.0.1:18754/x" << true;
    QTest::newRow("the loopback site, another port") << loopback << "http://127.0.0.1:9222/json" << false;
    QTest::newRow("the loopback site, another address") << loopback << "http://127.0.0.2:18754/" << false;
    QTest::newRow("a port of letters") << loopback << "http://127.0.0.1:x/" << false;
    QTest::newRow("no site at all") << "" << "http://www.orvane.example/" << false;
}
// clang-format on

void TstAdvertLink::sitePolicy()
{
    QFETCH(QString, site);
    QFETCH(QString, url);
    QFETCH(bool, stays);
    QCOMPARE(advert::staysOnSite(site.toStdWString(), url.toStdWString()), stays);
}

// Where the page's top frame may go from the advert's site: elsewhere on
// the web only in the desktop's browser (after a click, as the panel sees).
// clang-format off
void TstAdvertLink::topFramePolicy_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("navigation");
    const QString site = "http://www.orvane.example/guanggao54.html";
    const int allowed = int(TopNavigation::Allowed);
    const int elsewhere = int(TopNavigation::Elsewhere);
    const int refused = int(TopNavigation::Refused);
    QTest::newRow("the site itself") << site << site << allowed;
    QTest::newRow("another page of the site, over https") << site << "https://orvane.example/b.html" << allowed;
    QTest::newRow("the empty page") << site << "about:blank" << allowed;
    QTest::newRow("another site") << site << "http://shop.example/" << elsewhere;
    QTest::newRow("another port of the site") << site << "http://www.orvane.example:8080/" << elsewhere;
    QTest::newRow("a local file") << site << "file:///C:/Windows/win.ini" << refused;
    QTest::newRow("a script") << site << "javascript:alert(1)" << refused;
    QTest::newRow("a site that is no web address") << "zelvan-probe:x" << "zelvan-probe:x" << refused;
}
// clang-format on

void TstAdvertLink::topFramePolicy()
{
    QFETCH(QString, site);
    QFETCH(QString, url);
    QFETCH(int, navigation);
    QCOMPARE(int(advert::topNavigation(site.toStdWString(), url.toStdWString())), navigation);
}

// What the control may act on past its navigation events (a redirect, a
// frame, a script): the web only.
// clang-format off
void TstAdvertLink::urlActionPolicy_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("a web page") << "http://www.example.com/a.js" << true;
    QTest::newRow("a secure web page, in capitals") << "HTTPS://WWW.EXAMPLE.COM/" << true;
    QTest::newRow("the empty page") << "about:blank" << false;
    QTest::newRow("a local file") << "file:///C:/Windows/win.ini" << false;
    QTest::newRow("a script") << "javascript:alert(1)" << false;
    QTest::newRow("nothing") << "" << false;
}
// clang-format on

void TstAdvertLink::urlActionPolicy()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(advert::mayActOn(url.toStdWString()), allowed);
}

// Keys typed into the page: the control's own shortcuts are refused.
// clang-format off
void TstAdvertLink::keyPolicy_data()
{
    QTest::addColumn<uint>("key");
    QTest::addColumn<bool>("control");
    QTest::addColumn<bool>("alt");
    QTest::addColumn<int>("goes");
    const int page = int(PageKey::Page);
    const int leave = int(PageKey::Leave);
    const int refused = int(PageKey::Refused);
    QTest::newRow("a letter") << uint('X') << false << false << page;
    QTest::newRow("Enter on a link") << 0x0Du << false << false << page;
    QTest::newRow("Ctrl+C copies") << uint('C') << true << false << page;
    QTest::newRow("Ctrl+A selects") << uint('A') << true << false << page;
    QTest::newRow("Tab leaves") << 0x09u << false << false << leave;
    QTest::newRow("Ctrl+Tab") << 0x09u << true << false << refused;
    QTest::newRow("Ctrl+O, open location") << uint('O') << true << false << refused;
    QTest::newRow("Ctrl+N, new window") << uint('N') << true << false << refused;
    QTest::newRow("Ctrl+R, refresh") << uint('R') << true << false << refused;
    QTest::newRow("Ctrl+Alt+C") << uint('C') << true << true << refused;
    QTest::newRow("F5, refresh") << 0x74u << false << false << refused;
    QTest::newRow("F1, help") << 0x70u << false << false << refused;
    QTest::newRow("F24, the last function key") << 0x87u << false << false << refused;
    QTest::newRow("Alt+Left, back") << 0x25u << false << true << refused;
    QTest::newRow("Alt+F4 closes the window") << 0x73u << false << true << page;
    QTest::newRow("F4 alone") << 0x73u << false << false << refused;
    QTest::newRow("Ctrl+Alt+F4") << 0x73u << true << true << refused;
    QTest::newRow("the browser's back key") << 0xA6u << false << false << refused;
    QTest::newRow("the second launch key") << 0xB7u << false << false << refused;
    QTest::newRow("the menu key") << 0x5Du << false << false << refused;
    QTest::newRow("the key after the launch keys") << 0xBAu << false << false << page;
}
// clang-format on

void TstAdvertLink::keyPolicy()
{
    QFETCH(uint, key);
    QFETCH(bool, control);
    QFETCH(bool, alt);
    QFETCH(int, goes);
    QCOMPARE(int(advert::pageKey(key, control, alt)), goes);
}

// clang-format off
void TstAdvertLink::newWindowPolicy_data()
{
    constexpr uint user = advert::kNewWindowUserInitiated;
    constexpr uint first = 0x4;     // NWMF_FIRST
    constexpr uint unloading = 0x1; // NWMF_UNLOADING
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("external");
    QTest::newRow("a click on a link") << (user | first) << "http://www.example.com/" << true;
    QTest::newRow("a click to a secure page") << user << "https://www.example.com/" << true;
    QTest::newRow("a script's pop-up") << first << "http://www.example.com/" << false;
    QTest::newRow("a pop-up while the page closes") << unloading << "https://www.example.com/" << false;
    QTest::newRow("a click to a script") << user << "javascript:open()" << false;
    QTest::newRow("a click to a local file") << user << "file:///C:/Windows/win.ini" << false;
}
// clang-format on

void TstAdvertLink::newWindowPolicy()
{
    QFETCH(uint, flags);
    QFETCH(QString, url);
    QFETCH(bool, external);
    QCOMPARE(advert::opensInDesktopBrowser(flags, url.toStdWString()), external);
}

// clang-format off
void TstAdvertLink::downloadPolicy_data()
{
    QTest::addColumn<uint>("arguments");
    QTest::addColumn<bool>("activeDocument");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("a page the control shows") << 2u << true << false;
    QTest::newRow("a file to save") << 2u << false << true;
    QTest::newRow("an older control's download") << 1u << true << true;
    QTest::newRow("no arguments at all") << 0u << false << true;
}
// clang-format on

void TstAdvertLink::downloadPolicy()
{
    QFETCH(uint, arguments);
    QFETCH(bool, activeDocument);
    QFETCH(bool, cancelled);
    QCOMPARE(advert::cancelsDownload(arguments, activeDocument), cancelled);
}

QTEST_GUILESS_MAIN(TstAdvertLink)
#include "tst_advertlink.moc"
