// SPDX-License-Identifier: GPL-3.0-or-later
// "WinCalc. On" / "WinCalc. Off" against a real calculator program on a real
// X11 display (xcalc on Xvfb): its window appears, and it goes away again
// when asked to close. ctest runs this through run-under-xvfb.sh.
#include "buttons.h"
#include "messagebox.h"
#include "platform/webpanel.h"
#include "ui/main/form1.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
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

// Generous: xcalc may take seconds to start and to go on a busy machine.
constexpr int kProgramTimeout = 30000;

// Found before the tests narrow PATH down to the calculator.
QString xdotool;

// How many visible top-level windows of xcalc this display has, per xdotool.
int xcalcWindows()
{
    QProcess search;
    search.start(xdotool, {"search", "--onlyvisible", "--class", "xcalc"});
    if (!search.waitForFinished(5000))
        return -1;
    const QByteArray ids = search.readAllStandardOutput().trimmed();
    return ids.isEmpty() ? 0 : int(ids.count('\n')) + 1;
}

} // namespace

class TestSystemCalculator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onShowsTheCalculatorAndOffClosesIt();
    void closingTheWindowClosesTheCalculator();
    void noCalculatorIsReportedAndTheProgramGoesOn();

private:
    void killOurCalculators();

    QTemporaryDir m_bin;
    QByteArray m_path;
    std::unique_ptr<Form1> m_window;
};

void TestSystemCalculator::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X11 display (run under xvfb-run)");
    const QString xcalc = QStandardPaths::findExecutable(QStringLiteral("xcalc"));
    if (xcalc.isEmpty())
        QSKIP("xcalc (package x11-apps) is not installed");
    xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed");
    // A PATH where xcalc is the only calculator to be found.
    QVERIFY(m_bin.isValid());
    QVERIFY(QFile::link(xcalc, m_bin.filePath(QStringLiteral("xcalc"))));
    m_path = qgetenv("PATH");
    QCOMPARE(xcalcWindows(), 0);
}

void TestSystemCalculator::init()
{
    qputenv("PATH", QFile::encodeName(m_bin.path()));
    m_window = std::make_unique<Form1>(QStringLiteral("www.orvane.example"), QStringLiteral("."));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestSystemCalculator::cleanup()
{
    m_window.reset();
    qputenv("PATH", m_path);
    killOurCalculators();
}

// Calculators this test started and left behind, found by the path they were
// started with; anything else on the machine is left alone.
void TestSystemCalculator::killOurCalculators()
{
    const QString ours = m_bin.filePath(QStringLiteral("xcalc"));
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : processes) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(QFile::encodeName(ours)))
            ::kill(pid.toInt(), SIGKILL);
    }
}

void TestSystemCalculator::onShowsTheCalculatorAndOffClosesIt()
{
    Form1& w = *m_window;
    QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
    QVERIFY(button(w, "Command5")->isVisible());
    QVERIFY(!button(w, "Command4")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(xcalcWindows(), 1, kProgramTimeout);

    QTest::mouseClick(button(w, "Command5"), Qt::LeftButton);
    QVERIFY(button(w, "Command4")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(xcalcWindows(), 0, kProgramTimeout);
}

void TestSystemCalculator::closingTheWindowClosesTheCalculator()
{
    Form1& w = *m_window;
    QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(xcalcWindows(), 1, kProgramTimeout);
    QVERIFY(w.close());
    QTRY_COMPARE_WITH_TIMEOUT(xcalcWindows(), 0, kProgramTimeout);
}

void TestSystemCalculator::noCalculatorIsReportedAndTheProgramGoesOn()
{
    qputenv("PATH", "");
    Form1& w = *m_window;
    const QString warning = messageShownBy([&w] { QTest::mouseClick(button(w, "Command4"), Qt::LeftButton); });
    QVERIFY2(warning.startsWith(QString::fromUtf8("无法启动系统计算器")), qPrintable(warning));
    // The buttons did not swap, and the window still works.
    QVERIFY(button(w, "Command4")->isVisible());
    QVERIFY(!button(w, "Command5")->isVisible());
    QVERIFY(w.isVisible());
    QTest::mouseClick(button(w, "Command2"), Qt::LeftButton);
    QVERIFY(button(w, "Command3")->isVisible());
}

QTEST_MAIN(TestSystemCalculator)
#include "tst_systemcalculator.moc"
