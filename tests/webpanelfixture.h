// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support for the web panel's suites: the loopback pages, the panel in
// a window of its own, and what can be learnt of its engine's processes.
// Included by one source per test program.

#include "pageserver.h"
#include "watchbounds.h"
#include "platform/webpanel.h"

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

#ifndef Q_OS_WIN
#include <signal.h>
#include <unistd.h>
#endif

using platform::WebPanel;

// Generous: the first view of a run starts the engine's processes.
constexpr int loadTimeout = 60000;

// Why a case does not run here. On Windows the panel hosts the system's
// browser control instead of the engine module.
#ifdef Q_OS_WIN
constexpr char kRendersNoPages[] = "the Windows test machine (Wine) renders no pages";
#endif

// The pages the loopback server knows; any other path gets a 404.
// clang-format off
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
     "report('locale', Intl.DateTimeFormat().resolvedOptions().locale);"
     "var field = document.createElement('input'); field.required = true;"
     "report('form', encodeURIComponent(field.validationMessage));"
     "document.cookie = 'c=1'; var kept = document.cookie ? 'cookie' : '';"
     "try { localStorage.setItem('k', 'v'); kept += 'local'; } catch (e) {}"
     "try { sessionStorage.setItem('k', 'v'); kept += 'session'; } catch (e) {}"
     "var db = indexedDB.open('d'); db.onerror = function () { report('database', 'refused'); };"
     "db.onsuccess = function () { report('database', 'opened'); };"
     "report('kept', kept || 'nothing');"
     "</script></body></html>"},
    // Never finishes loading.
    {"/hang.html", "<html><body><script>for (;;) {}</script></body></html>"},
    // Shown at once, but one of its pictures never comes.
    {"/slow.html", "<html><body>slow<img src='/never.png'></body></html>"},
    // Loads, then grows by 32 MB every 50 ms, each page of it written.
    {"/grow.html",
     "<html><body>grow<script>var kept = [];"
     "setInterval(function () { var b = new Uint8Array(32 << 20);"
     " for (var i = 0; i < b.length; i += 4096) b[i] = 1; kept.push(b); }, 50);"
     "</script></body></html>"},
    // Loads, then spins forty blurred boxes for ever: a twentieth of a core
    // for its renderer once drawn, nearly half of one for the compositor that
    // draws its frames.
    {"/animate.html",
     "<html><head><style>div { position: absolute; width: 100px; height: 100px; background: #f80;"
     " filter: blur(6px); animation: spin 0.5s linear infinite; }"
     "@keyframes spin { to { transform: rotate(360deg); } }</style></head><body><script>"
     "for (var i = 0; i < 40; ++i) { var d = document.createElement('div');"
     " d.style.left = (i * 53 % 560) + 'px'; d.style.top = (i * 13 % 60) + 'px';"
     " document.body.appendChild(d); }"
     "</script></body></html>"},
    // Its frame's picture never comes, so its load never ends; grows by
    // 32 MB every 50 ms meanwhile.
    {"/framegrow.html",
     "<html><body>framegrow<iframe srcdoc='<img src=/never.png>'></iframe><script>var kept = [];"
     "setInterval(function () { var b = new Uint8Array(32 << 20);"
     " for (var i = 0; i < b.length; i += 4096) b[i] = 1; kept.push(b); }, 50);"
     "</script></body></html>"},
    // Keeps a 32 MB Blob every 50 ms, made of one 1 MB part: the page's
    // renderer stays small, the Blobs' bytes are the engine's to keep.
    {"/blobs.html",
     "<html><body>blobs<script>var part = new Uint8Array(1 << 20), kept = [];"
     "for (var i = 0; i < part.length; i += 4096) part[i] = 1;"
     "setInterval(function () { kept.push(new Blob(Array(32).fill(part))); }, 50);"
     "</script></body></html>"},
    // Twenty frames, each loaded again every 50 ms.
    {"/framestorm.html",
     "<html><body>framestorm<script>var frames = [], n = 0;"
     "for (var i = 0; i < 20; ++i) frames.push(document.body.appendChild(document.createElement('iframe')));"
     "setInterval(function () { ++n; frames.forEach(function (f, i) { f.src = '/frame' + i + '.html?' + n; }); }, 50);"
     "</script></body></html>"},
    // Script dialogs, as fast as they are answered.
    {"/dialogs.html",
     "<html><body>dialogs<script>"
     "setInterval(function () { alert('a'); confirm('b'); prompt('c'); }, 0);"
     "</script></body></html>"},
    // Once clicked, objects to being left.
    {"/stay.html",
     "<html><body style='margin:0;background:#00ffff'>stay<script>"
     "addEventListener('beforeunload', function (e) { e.preventDefault(); e.returnValue = 'stay'; });"
     "</script></body></html>"},
    // Once clicked, copies to the clipboard every way it can, then says so.
    {"/copy.html",
     "<html><body style='margin:0;background:#00ffff'>copy<script>"
     "document.addEventListener('copy', function (e) {"
     " e.clipboardData.setData('text/plain', 'advert'); e.preventDefault(); });"
     "document.addEventListener('click', function () {"
     " var copied = document.execCommand('copy');"
     " var written = navigator.clipboard ? navigator.clipboard.writeText('advert').then("
     "  function () { return 'written'; }, function () { return 'refused'; }) : Promise.resolve('none');"
     " written.then(function (w) { fetch('/report?copy=' + copied + ',' + w); }); });"
     "</script></body></html>"},
    // Twenty frames whose contents are replaced every 50 ms once it has
    // loaded, without a request: little for its renderer, most of a core
    // for the engine's navigations in the program's own process.
    {"/framework.html",
     "<html><body>framework<script>var frames = [], n = 0;"
     "for (var i = 0; i < 20; ++i) frames.push(document.body.appendChild(document.createElement('iframe')));"
     "onload = function () { setInterval(function () {"
     " ++n; frames.forEach(function (f) { f.srcdoc = '<p>' + n + '</p>'; }); }, 50); };"
     "</script></body></html>"},
    // Says whether it could keep anything: a cookie, local storage.
    {"/keeps.html",
     "<html><body>keeps<script>document.cookie = 'c=1'; var kept = document.cookie ? 'cookie' : 'nothing';"
     "try { localStorage.setItem('k', 'v'); kept += ',storage'; } catch (e) {}"
     "fetch('/report?kept=' + kept);</script></body></html>"},
    // Fetches from its server without pause, six at a time.
    {"/fetchstorm.html",
     "<html><body>fetchstorm<script>var n = 0;"
     "function go() { fetch('/ping?' + n++).then(go, go); } for (var i = 0; i < 6; ++i) go();"
     "</script></body></html>"},
    // Sends itself to another host of the same machine once loaded.
    {"/leave.html",
     "<html><body>leave<script>onload = function () {"
     " location.replace('http://localhost:' + location.port + '/away.html'); };</script></body></html>"},
    // Moves on to another page of its site once loaded.
    {"/hop.html", "<html><body>hop<script>onload = function () { location.replace('/other.html'); };</script></body></html>"},
    // A link to another host of the same machine across the visible strip;
    // with #script, the page follows it itself once loaded.
    {"/awaylink.html",
     "<html><body style='margin:0;background:#00ffff'>"
     "<a id='away' style='position:absolute;left:0;top:0;width:600px;height:140px'>away</a><script>"
     "var a = document.getElementById('away'); a.href = 'http://localhost:' + location.port + '/elsewhere.html';"
     "if (location.hash == '#script') onload = function () { a.click(); };</script></body></html>"},
    // Loads itself again as soon as it has loaded.
    {"/reload.html", "<html><body>reload<script>onload = function () { location.reload(); };</script></body></html>"},
    // Two links side by side, each 180 px wide, in the visible strip.
    {"/links.html",
     "<html><body style='margin:0;background:#00ffff'>"
     "<a href='/blank.html' target='_blank' style='position:absolute;left:0;top:0;width:180px;height:140px'>a</a>"
     "<a href='/other.html' style='position:absolute;left:400px;top:0;width:180px;height:140px'>c</a>"
     "</body></html>"},
};
// clang-format on

// Runs the event loop until done() holds, or timeoutMs have passed. Not
// QTest::qWaitFor: it sleeps after each round of events, and a load makes
// many hops through this thread, each one waiting out a sleep (a loopback
// page took 1.5 s to load instead of 0.3 s).
template <typename Predicate> bool waitFor(Predicate done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

inline bool hasFinished(const QSignalSpy& spy, bool ok)
{
    for (const QList<QVariant>& args : spy) {
        if (args.at(0).toBool() == ok)
            return true;
    }
    return false;
}

inline QFrame* sunkenFrame(QWidget* window)
{
    auto* frame = new QFrame(window);
    frame->setObjectName(QStringLiteral("Picture1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(32, 32, 585, 97);
    return frame;
}

// The main window's bottom strip in small: a top-level widget holding the
// sunken frame that hosts the panel, whose watch has every bound out of
// reach until a case brings one within it.
struct Host {
    Host()
    {
        window.resize(640, 160);
        panel->setPatience(unhurried());
        panel->setLimits(outOfReach());
    }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    // Shows the window with url to load, and waits until it has loaded.
    bool showLoaded(const QUrl& url)
    {
        panel->navigate(url);
        return show() && waitFor([this] { return hasFinished(finished, true); }, loadTimeout);
    }

    QWidget window;
    QFrame* frame = sunkenFrame(&window);
    WebPanel* panel = new WebPanel(frame, QStringLiteral("WebBrowser1"), QRect(-8, -8, 625, 129));
    QSignalSpy finished{panel, &WebPanel::loadFinished};
};

// What Ctrl+A selects in the panel's page: pressed at least once, and again
// until something is selected (the renderer may not take keys yet) or the
// time is up.
inline QString selectAll(Host& host, int timeoutMs)
{
    QWidget* view = host.panel->view();
    const auto selected = [view] { return view->property("selectedText").toString(); };
    const QDeadlineTimer deadline(timeoutMs);
    do {
        if (QWidget* page = view->focusProxy())
            QTest::keyClick(page, Qt::Key_A, Qt::ControlModifier);
        if (waitFor([&] { return !selected().isEmpty(); }, 500))
            return selected();
    } while (!deadline.hasExpired());
    return {};
}

inline int visibleTopLevels()
{
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

// The field of /proc/PID/stat after "pid (comm) state ": the command may
// hold blanks, so the fields are counted from its closing parenthesis.
inline QByteArray statField(qint64 pid, int index)
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
inline QList<qint64> rendererPids()
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

// Whether the process runs (and has not ended, waiting to be reaped).
inline bool isRunning(qint64 pid)
{
    const QByteArray state = statField(pid, 0);
    return !state.isEmpty() && state != "Z" && state != "X";
}

inline QString reported(const PageServer& server, const QString& key)
{
    const QString prefix = QStringLiteral("/report?%1=").arg(key);
    for (const QString& request : server.requests()) {
        if (request.startsWith(prefix))
            return request.mid(prefix.size());
    }
    return {};
}

inline bool runningAsRoot()
{
#ifdef Q_OS_WIN
    return false;
#else
    return ::getuid() == 0;
#endif
}

// Ends a renderer as a crash would.
inline void killRenderer(qint64 pid)
{
#ifdef Q_OS_WIN
    Q_UNUSED(pid);
#else
    ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}
