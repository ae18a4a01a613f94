// SPDX-License-Identifier: GPL-3.0-or-later
// "WinCalc. On" / "WinCalc. Off" on Windows, against stand-ins of the
// calculators Windows has shipped (standin.cpp): calc.exe in the system
// folder, whose window is the classic "SciCalc", Windows 7's "CalcFrame", or
// the Calculator app's frame hosting the app's core window, or (minimised)
// beside it. Another app's frame stands beside it all the while and must
// never be closed.
#include "buttons.h"
#include "messagebox.h"
#include "ui/main/form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace {

const char* const kAppFrame = "ApplicationFrameWindow";

// Generous: under Wine on a busy machine a program may take seconds to start
// and to end.
constexpr int kProcessTimeout = 30000;

QString systemCalculatorPath()
{
    wchar_t directory[MAX_PATH] = {};
    GetSystemDirectoryW(directory, MAX_PATH);
    return QDir::fromNativeSeparators(QString::fromWCharArray(directory)) + QStringLiteral("/calc.exe");
}

// Visible top-level windows of the class, and with the title when one is
// given. Unless any frame will do, an app's frame counts once the app's core
// window is there, inside it or (detached) on its own with the same title.
int windowCount(const char* windowClass, const char* title = nullptr, bool anyFrame = false)
{
    const char* const core = "Windows.UI.Core.CoreWindow";
    int count = 0;
    for (HWND window = FindWindowExA(nullptr, nullptr, windowClass, title); window;
         window = FindWindowExA(nullptr, window, windowClass, title)) {
        const bool complete = anyFrame || std::strcmp(windowClass, kAppFrame) != 0
                              || FindWindowExA(window, nullptr, core, nullptr) || FindWindowA(core, title);
        count += IsWindowVisible(window) && complete ? 1 : 0;
    }
    return count;
}

// Ends every process that owns a window of the class.
void endWindowsOf(const char* windowClass)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        HWND window = FindWindowA(windowClass, nullptr);
        if (!window)
            return;
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
        if (!process)
            return;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

} // namespace

class TestSystemCalculatorWin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void closesTheCalculatorOfEachRelease_data();
    void closesTheCalculatorOfEachRelease();
    void missingCalculatorIsReported();

private:
    QTemporaryDir m_dir;
    QString m_standin;
    std::unique_ptr<Form1> m_window;
};

void TestSystemCalculatorWin::initTestCase()
{
    m_standin = QFileInfo(qEnvironmentVariable("ZELVAN_STANDIN")).absoluteFilePath();
    QVERIFY2(QFile::exists(m_standin), "ZELVAN_STANDIN names no stand-in program");
    QVERIFY(m_dir.isValid());
    // The Calculator app and another app, both copies of the stand-in.
    for (const char* app : {"CalculatorApp.exe", "Photos.exe"})
        QVERIFY(QFile::copy(m_standin, m_dir.filePath(QLatin1String(app))));
    qputenv("ZELVAN_STANDIN_APP", QDir::toNativeSeparators(m_dir.filePath("CalculatorApp.exe")).toLocal8Bit());
}

void TestSystemCalculatorWin::init()
{
    QFile::remove(systemCalculatorPath());
    QVERIFY(QFile::copy(m_standin, systemCalculatorPath()));
    m_window = std::make_unique<Form1>(QStringLiteral("www.orvane.example"), QStringLiteral("."));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestSystemCalculatorWin::cleanup()
{
    m_window.reset();
    for (const char* windowClass : {"SciCalc", "CalcFrame", kAppFrame})
        endWindowsOf(windowClass);
    QFile::remove(systemCalculatorPath());
}

// clang-format off
void TestSystemCalculatorWin::closesTheCalculatorOfEachRelease_data()
{
    QTest::addColumn<QByteArray>("shape");
    QTest::addColumn<QByteArray>("windowClass");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<bool>("byClosingTheWindow");
    // How another app's frame stands beside it: "app" or "detached".
    QTest::addColumn<QByteArray>("otherShape");

    const QByteArray app("app");
    QTest::newRow("classic calculator, WinCalc. Off") << QByteArray("SciCalc") << QByteArray("SciCalc")
                                                      << QByteArray() << false << app;
    QTest::newRow("classic calculator, window closed") << QByteArray("SciCalc") << QByteArray("SciCalc")
                                                       << QByteArray() << true << app;
    QTest::newRow("Windows 7 calculator, WinCalc. Off")
        << QByteArray("CalcFrame") << QByteArray("CalcFrame") << QByteArray() << false << app;
    QTest::newRow("Calculator app, WinCalc. Off")
        << app << QByteArray(kAppFrame) << QByteArray("CalculatorApp.exe") << false << app;
    QTest::newRow("Calculator app, window closed")
        << app << QByteArray(kAppFrame) << QByteArray("CalculatorApp.exe") << true << app;
    QTest::newRow("Calculator app and another app minimised, WinCalc. Off")
        << QByteArray("detached") << QByteArray(kAppFrame) << QByteArray("CalculatorApp.exe") << false
        << QByteArray("detached");
}
// clang-format on

void TestSystemCalculatorWin::closesTheCalculatorOfEachRelease()
{
    QFETCH(QByteArray, shape);
    QFETCH(QByteArray, windowClass);
    QFETCH(QByteArray, title);
    QFETCH(bool, byClosingTheWindow);
    QFETCH(QByteArray, otherShape);
    qputenv("ZELVAN_STANDIN_SHAPE", shape);
    const char* calculatorTitle = title.isEmpty() ? nullptr : title.constData();
    QVERIFY(QProcess::startDetached(
        m_standin, {QString::fromLatin1(otherShape), QDir::toNativeSeparators(m_dir.filePath("Photos.exe"))}));
    QTRY_COMPARE_WITH_TIMEOUT(windowCount(kAppFrame, "Photos.exe"), 1, kProcessTimeout);

    Form1& w = *m_window;
    QTest::mouseClick(button(w, "Command4"), Qt::LeftButton);
    QVERIFY(button(w, "Command5")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(windowCount(windowClass, calculatorTitle), 1, kProcessTimeout);
    // The other app's frame comes first in the window order.
    QVERIFY(SetWindowPos(FindWindowA(kAppFrame, "Photos.exe"), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));

    if (byClosingTheWindow)
        QVERIFY(w.close());
    else
        QTest::mouseClick(button(w, "Command5"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(windowCount(windowClass, calculatorTitle, true), 0, kProcessTimeout);
    QCOMPARE(windowCount(kAppFrame, "Photos.exe"), 1);
}

void TestSystemCalculatorWin::missingCalculatorIsReported()
{
    QVERIFY(QFile::remove(systemCalculatorPath()));
    Form1& w = *m_window;
    const QString warning = messageShownBy([&w] { QTest::mouseClick(button(w, "Command4"), Qt::LeftButton); });
    QVERIFY2(warning.startsWith(QString::fromUtf8("无法启动系统计算器\n没有找到计算器程序")), qPrintable(warning));
    QVERIFY(button(w, "Command4")->isVisible());
    QVERIFY(!button(w, "Command5")->isVisible());
}

QTEST_MAIN(TestSystemCalculatorWin)
#include "tst_systemcalculator_win.moc"
