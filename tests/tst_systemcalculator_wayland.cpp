// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and "WinCalc. On" / "WinCalc. Off" on a headless Weston,
// with a session bus of the test's own (ctest runs this through
// run-under-weston.sh): once as a native Wayland client, once through
// XWayland. The calculators are native Wayland clients both times, hidden
// from X11, so GNOME Calculator is closed through its windows on the session
// bus, and galculator, which has no such interface, by ending the process
// this program started.
#include "buttons.h"
#include "messagebox.h"
#include "ui/main/form1.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

namespace {

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

// GNOME Calculator windows on the session bus: each instance exports its
// windows as children of /org/gnome/Calculator/window.
int gnomeCalculatorWindows()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    int windows = 0;
    for (const QString& name : bus.interface()->registeredServiceNames().value()) {
        if (!name.startsWith(QLatin1Char(':')) || name == bus.baseService())
            continue;
        QDBusMessage introspect = QDBusMessage::createMethodCall(
            name, QStringLiteral("/org/gnome/Calculator/window"), QStringLiteral("org.freedesktop.DBus.Introspectable"),
            QStringLiteral("Introspect"));
        const QDBusMessage reply = bus.call(introspect, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            windows += int(reply.arguments().value(0).toString().count(QLatin1String("<node name=")));
    }
    return windows;
}

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

void TestSystemCalculatorWayland::init()
{
    m_window = std::make_unique<Form1>(QStringLiteral("www.orvane.example"), QStringLiteral("."));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestSystemCalculatorWayland::cleanup()
{
    m_window.reset();
    qputenv("PATH", m_path);
    // Calculators this test started and left behind; anything else on the
    // machine is left alone.
    for (const QString& program : QDir(m_bin.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const qint64 pid : processesStartedAs(linkTo(program)))
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

void TestSystemCalculatorWayland::calculatorGoesAway_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("startedElsewhere"); // one more, started by the test, not the window
    QTest::addColumn<bool>("startedHere");      // by "WinCalc. On"
    QTest::addColumn<bool>("byClosingWindow");  // else by "WinCalc. Off"

    QTest::newRow("galculator started here, Off ends it") << "galculator" << false << true << false;
    QTest::newRow("galculator started here, closing the window ends it") << "galculator" << false << true << true;
    QTest::newRow("galculator started elsewhere stays, Off ends ours") << "galculator" << true << true << false;
    QTest::newRow("gnome-calculator started here, Off closes it") << "gnome-calculator" << false << true << false;
    QTest::newRow("gnome-calculator started elsewhere, closing the window closes it")
        << "gnome-calculator" << true << false << true;
}

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
    QTRY_COMPARE_WITH_TIMEOUT(int(processesStartedAs(link).size()), started, 15000);
    if (onTheBus)
        QTRY_COMPARE_WITH_TIMEOUT(gnomeCalculatorWindows(), started, 15000);

    if (byClosingWindow)
        QVERIFY(w.close());
    else
        QTest::mouseClick(button(w, "Command5"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(int(processesStartedAs(link).size()), started - 1, 15000);

    // Where both ran, the calculator this window started is the one that
    // ended: the other is still the test's own running child.
    if (startedElsewhere && startedHere && !onTheBus) {
        QCOMPARE(elsewhere.state(), QProcess::Running);
        QCOMPARE(processesStartedAs(link), QList<qint64>{elsewhere.processId()});
    }
    if (startedElsewhere && !startedHere)
        QTRY_COMPARE_WITH_TIMEOUT(elsewhere.state(), QProcess::NotRunning, 15000);
    if (onTheBus)
        QCOMPARE(gnomeCalculatorWindows(), started - 1);
    if (elsewhere.state() != QProcess::NotRunning) {
        elsewhere.kill();
        elsewhere.waitForFinished();
    }
}

void TestSystemCalculatorWayland::noCalculatorIsReported()
{
    qputenv("PATH", "");
    Form1& w = *m_window;
    const QString warning =
        messageShownBy([&w] { QTest::mouseClick(button(w, "Command4"), Qt::LeftButton); });
    QVERIFY2(warning.startsWith(QString::fromUtf8("无法启动系统计算器\n没有找到计算器程序（gnome-calculator")),
             qPrintable(warning));
    QVERIFY(button(w, "Command4")->isVisible());
    QVERIFY(!button(w, "Command5")->isVisible());
}

QTEST_MAIN(TestSystemCalculatorWayland)
#include "tst_systemcalculator_wayland.moc"
