// SPDX-License-Identifier: GPL-3.0-or-later
// What the web panel and its advert host share, on every system: the line
// protocol between them (what the panel takes from the host, never trusted),
// and the rules the host's browser site answers a page's events with.
#include "platform/advert/advertprotocol.h"
#include "platform/advert/siterules.h"

#include <QTest>

using advert::HostMessage;

class TstAdvertLink : public QObject {
    Q_OBJECT

private slots:
    void hostLines_data();
    void hostLines();
    void panelLines_data();
    void panelLines();
    void linesAreBounded_data();
    void linesAreBounded();
    void navigationPolicy_data();
    void navigationPolicy();
    void sitePolicy_data();
    void sitePolicy();
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
