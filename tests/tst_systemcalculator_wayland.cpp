// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and "WinCalc. On" / "WinCalc. Off" on a headless Weston,
// with a session bus of the test's own (ctest runs this through
// run-under-weston.sh): once as a native Wayland client, once through
// XWayland. The calculators are native Wayland clients both times, hidden
// from X11, so GNOME Calculator is closed through its windows on the session
// bus, and galculator, which has no such interface, by ending the process
// this program started. A calculator on the bus that does not answer, played
// by the test, shows that the window goes on meanwhile.
#include "buttons.h"
#include "messagebox.h"
#include "platform/webpanel.h"
#include "ui/main/form1.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <memory>

namespace {

// Generous: a calculator, the bus and the browser engine may each take
// seconds to start on a busy machine.
constexpr int kProgramTimeout = 30000;

// Processes started from the given file name (their argv[0]), by id.
QList<qint64> processesStartedAs(const QString& file)
{
    QList<qint64> found;
    const QByteArray wanted = QFile::encodeName(file);
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().split('\0').value(0) == wanted)
            found << pid.toLongLong();
    }
    return found;
}

// GNOME Calculator windows on the session bus, of the given processes: each
// instance exports its windows as children of /org/gnome/Calculator/window on
// its own connections. Only those are asked, and all at once: some other
// peers never answer (the accessibility registry GTK starts has one such
// connection) and would cost the whole timeout on every turn of a QTRY.
int gnomeCalculatorWindows(const QList<qint64>& processes)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.interface();
    QList<QDBusPendingCall> lookups;
    for (const QString& name : daemon->registeredServiceNames().value()) {
        if (!name.startsWith(QLatin1Char(':')) || !processes.contains(qint64(daemon->servicePid(name).value())))
            continue;
        const QDBusMessage introspect = QDBusMessage::createMethodCall(
            name, QStringLiteral("/org/gnome/Calculator/window"), QStringLiteral("org.freedesktop.DBus.Introspectable"),
            QStringLiteral("Introspect"));
        lookups << bus.asyncCall(introspect, 2000);
    }
    int windows = 0;
    for (QDBusPendingCall& lookup : lookups) {
        lookup.waitForFinished();
        const QDBusMessage reply = lookup.reply();
        if (reply.type() == QDBusMessage::ReplyMessage)
            windows += int(reply.arguments().value(0).toString().count(QLatin1String("<node name=")));
    }
    return windows;
}

// A calculator window on the session bus whose close action is taken and
// answered only when the test says so, as a calculator busy or hung would.
class SilentCalculatorWindow : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gtk.Actions")

public:
    QList<QDBusMessage> held; // close calls not answered yet
    int asked = 0;

public slots:
    void Activate(const QString& action, const QVariantList& /*parameter*/, const QVariantMap& /*platformData*/,
                  const QDBusMessage& message)
    {
        if (action != QLatin1String("close"))
            return;
        message.setDelayedReply(true);
        held << message;
        ++asked;
    }
};

} // namespace

class TestSystemCalculatorWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void keyReleaseConverts();
    void calculatorGoesAway_data();
    void calculatorGoesAway();
    void windowGoesOnWhileTheCalculatorDoesNotAnswer();
    void noCalculatorIsReported();

private:
    QString linkTo(const QString& program);

    QTemporaryDir m_bin;
    QByteArray m_path;
    std::unique_ptr<Form1> m_window;
};

void TestSystemCalculatorWayland::initTestCase()
{
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("wayland")
        && !(platform == QLatin1String("xcb") && qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        QSKIP("needs a Wayland compositor (run under run-under-weston.sh)");
    QVERIFY(m_bin.isValid());
    m_path = qgetenv("PATH");
}

// The browser engine starts on the window's thread after its first paint,
// for a second or more on a busy machine: it has started (or found it cannot)
// before a case clicks, or times the window's event loop.
void TestSystemCalculatorWayland::init()
{
    m_window = std::make_unique<Form1>(QStringLiteral("www.orvane.example"), QStringLiteral("."));
    platform::WebPanel* panel = m_window->webPanel();
    QSignalSpy unavailable(panel, &platform::WebPanel::viewUnavailable);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(panel->view() || !unavailable.isEmpty(), kProgramTimeout);
}

void TestSystemCalculatorWayland::cleanup()
{
    m_window.reset();
    qputenv("PATH", m_path);
    // Calculators this test started and left behind; anything else on the
    // machine is left alone.
    for (const QString& dir : QDir(m_bin.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo& link : QDir(m_bin.filePath(dir)).entryInfoList(QDir::Files | QDir::System))
            for (const qint64 pid : processesStartedAs(link.filePath()))
                ::kill(pid_t(pid), SIGKILL);
}

// m_bin/<program>/<program>: a directory with that calculator alone, to be
// the whole PATH, and the name its processes are recognised by.
QString TestSystemCalculatorWayland::linkTo(const QString& program)
{
    return m_bin.filePath(program + QLatin1Char('/') + program);
}

void TestSystemCalculatorWayland::keyReleaseConverts()
{
    auto* kgfcm2 = m_window->findChild<QLineEdit*>(QStringLiteral("Text21"));
    auto* psi = m_window->findChild<QLineEdit*>(QStringLiteral("Text22"));
    kgfcm2->setFocus();
    QTest::keyClicks(kgfcm2, QStringLiteral("2"));
    QCOMPARE(psi->text(), QStringLiteral("28.4466"));
}

// clang-format off
void TestSystemCalculatorWayland::calculatorGoesAway_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("startedElsewhere"); // one more, started by the test, not the window
    QTest::addColumn<bool>("startedHere");      // by "WinCalc. On"
    QTest::addColumn<bool>("byClosingWindow");  // as the program ends, else by "WinCalc. Off"

    QTest::newRow("galculator started here, Off ends it") << "galculator" << false << true << false;
    QTest::newRow("galculator started here, closing the window ends it") << "galculator" << false << true << true;
    QTest::newRow("galculator started elsewhere stays, Off ends ours") << "galculator" << true << true << false;
    QTest::newRow("gnome-calculator started here, Off closes it") << "gnome-calculator" << false << true << false;
    QTest::newRow("gnome-calculator started elsewhere, closing the window closes it")
        << "gnome-calculator" << true << false << true;
}
// clang-format on

void TestSystemCalculatorWayland::calculatorGoesAway()
{
    QFETCH(QString, program);
    QFETCH(bool, startedElsewhere);
    QFETCH(bool, startedHere);
    QFETCH(bool, byClosingWindow);

    const QString installed =
        QStandardPaths::findExecutable(program, QString::fromLocal8Bit(m_path).split(QLatin1Char(':')));
    if (installed.isEmpty())
        QSKIP(qPrintable(program + QStringLiteral(" is not installed")));
    const bool onTheBus = program == QLatin1String("gnome-calculator");
    if (onTheBus && !QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus (package dbus)");
    const QString link = linkTo(program);
    QVERIFY(QDir().mkpath(QFileInfo(link).path()));
    QVERIFY(QFile::exists(link) || QFile::link(installed, link));
    qputenv("PATH", QFile::encodeName(QFileInfo(link).path()));

    // A calculator this window did not start, as a child of the test, so
    // that its end is seen at once.
    QProcess elsewhere;
    if (startedElsewhere) {
        elsewhere.start(link, {});
        QVERIFY(elsewhere.waitForStarted());
    }
    Form1& w = *m_window;
    if (startedHere) {
        QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
        QVERIFY(button(w, "Command5")->isVisible());
    }
    const int started = int(startedElsewhere) + int(startedHere);
    QTRY_COMPARE_WITH_TIMEOUT(int(processesStartedAs(link).size()), started, kProgramTimeout);
    if (onTheBus)
        QTRY_COMPARE_WITH_TIMEOUT(gnomeCalculatorWindows(processesStartedAs(link)), started, kProgramTimeout);

    if (byClosingWindow) {
        // As main() does: the window closed, and gone before the event loop
        // runs again, so the calculator is reached before the program ends.
        QVERIFY(w.close());
        m_window.reset();
    } else {
        QTest::mouseClick(button(w, "Command5"), Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(int(processesStartedAs(link).size()), started - 1, kProgramTimeout);

    // Where both ran, the calculator this window started is the one that
    // ended: the other is still the test's own running child.
    if (startedElsewhere && startedHere && !onTheBus) {
        QCOMPARE(elsewhere.state(), QProcess::Running);
        QCOMPARE(processesStartedAs(link), QList<qint64>{elsewhere.processId()});
    }
    if (startedElsewhere && !startedHere)
        QTRY_COMPARE_WITH_TIMEOUT(elsewhere.state(), QProcess::NotRunning, kProgramTimeout);
    if (onTheBus)
        QCOMPARE(gnomeCalculatorWindows(processesStartedAs(link)), started - 1);
    if (elsewhere.state() != QProcess::NotRunning) {
        elsewhere.kill();
        elsewhere.waitForFinished();
    }
}

// GNOME Calculator's name on the bus owned by a window that does not answer
// its close action until told, and galculator installed under GNOME
// Calculator's name: a calculator that stays running until it is ended.
void TestSystemCalculatorWayland::windowGoesOnWhileTheCalculatorDoesNotAnswer()
{
    const QString installed = QStandardPaths::findExecutable(QStringLiteral("galculator"),
                                                             QString::fromLocal8Bit(m_path).split(QLatin1Char(':')));
    if (installed.isEmpty())
        QSKIP("galculator is not installed");
    const QString busName = QStringLiteral("zelvan-silent-calculator");
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, busName);
    if (!bus.isConnected())
        QSKIP("no session bus (package dbus)");
    SilentCalculatorWindow window;
    QVERIFY(
        bus.registerObject(QStringLiteral("/org/gnome/Calculator/window/1"), &window, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.gnome.Calculator")));
    const auto leaveTheBus = qScopeGuard([&bus, &busName] {
        bus.unregisterService(QStringLiteral("org.gnome.Calculator"));
        bus.unregisterObject(QStringLiteral("/org/gnome/Calculator/window/1"));
        QDBusConnection::disconnectFromBus(busName);
    });
    const QString link = m_bin.filePath(QStringLiteral("silent/gnome-calculator"));
    QVERIFY(QDir().mkpath(QFileInfo(link).path()));
    QVERIFY(QFile::exists(link) || QFile::link(installed, link));
    qputenv("PATH", QFile::encodeName(QFileInfo(link).path()));

    // The window's event loop: the longest time between two turns of a timer,
    // and the longest click on "Off". The held close times out after three
    // seconds: a window that waited for it would have stopped that long. The
    // bound leaves a loaded machine (or a sanitizer build) its slow turns
    // without letting a wait pass. Neither the test's own looks at the
    // processes nor the clicks on "On" (the window's fork and exec of a
    // calculator, a second under load) are counted: they are no close.
    constexpr qint64 kWaitedForTheClose = 2000;
    QElapsedTimer sinceLastTurn;
    qint64 longestPause = 0;
    int turns = 0;
    QTimer pulse;
    pulse.setInterval(10);
    connect(&pulse, &QTimer::timeout, this, [&] {
        longestPause = std::max(longestPause, sinceLastTurn.restart());
        ++turns;
    });
    const auto calculators = [&] {
        const int running = int(processesStartedAs(link).size());
        sinceLastTurn.restart();
        return running;
    };

    // Three calculators, and three quick clicks on "Off".
    Form1& w = *m_window;
    QElapsedTimer click;
    for (int started = 0; started < 3; ++started) {
        QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
        click.start();
        QTest::mouseClick(button(w, "Command5"), Qt::LeftButton);
        longestPause = std::max(longestPause, click.elapsed());
    }
    sinceLastTurn.start();
    pulse.start();
    QTRY_COMPARE_WITH_TIMEOUT(calculators(), 3, kProgramTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(window.held.size(), 1, kProgramTimeout);
    // While the first close is out, the event loop goes on turning, and no
    // second close is sent: one click, one calculator.
    const int turnsThen = turns;
    QTRY_VERIFY_WITH_TIMEOUT(turns >= turnsThen + 20, kProgramTimeout);
    QCOMPARE(window.asked, 1);
    QVERIFY2(longestPause < kWaitedForTheClose,
             qPrintable(QStringLiteral("event loop stopped for %1 ms").arg(longestPause)));

    // Answered, the next click's close follows; a closed window is the
    // whole close, and no calculator started here is ended for it.
    bus.send(window.held.takeFirst().createReply());
    QTRY_COMPARE_WITH_TIMEOUT(window.asked, 2, kProgramTimeout);
    bus.send(window.held.takeFirst().createReply());
    QTRY_COMPARE_WITH_TIMEOUT(window.asked, 3, kProgramTimeout);
    QCOMPARE(window.held.size(), 1);
    QCOMPARE(calculators(), 3);
    // A close that fails is no close: the latest calculator started here is
    // ended instead, and that one only.
    bus.send(window.held.takeFirst().createErrorReply(QDBusError::Failed, QStringLiteral("busy")));
    QTRY_COMPARE_WITH_TIMEOUT(calculators(), 2, kProgramTimeout);

    // Closing the window asks once more, and the window still goes at once.
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(window.held.size(), 1, kProgramTimeout);
    QCOMPARE(window.asked, 4);
    QVERIFY2(longestPause < kWaitedForTheClose,
             qPrintable(QStringLiteral("event loop stopped for %1 ms").arg(longestPause)));
    bus.send(window.held.takeFirst().createReply());
}

void TestSystemCalculatorWayland::noCalculatorIsReported()
{
    qputenv("PATH", "");
    Form1& w = *m_window;
    const QString warning = messageShownBy([&w] { QTest::mouseClick(button(w, "Command4"), Qt::LeftButton); });
    QVERIFY2(warning.startsWith(QString::fromUtf8("无法启动系统计算器\n没有找到计算器程序（gnome-calculator")),
             qPrintable(warning));
    QVERIFY(button(w, "Command4")->isVisible());
    QVERIFY(!button(w, "Command5")->isVisible());
}

QTEST_MAIN(TestSystemCalculatorWayland)
#include "tst_systemcalculator_wayland.moc"
