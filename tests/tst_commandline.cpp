// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line, put to the built zelvan beside this test, as a
// user or a script would run it, with no display at all: what it prints, on
// which stream, and its exit code. A run that opened a window instead would
// fail without a display (Qt ends such a program), or on Windows never end,
// which the generous bound turns into a failure.

#include "zelvan/version.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Run {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::NormalExit;
    int exitCode = -1;
    QString out;
    QString err;
};

// The lines as the program printed them, Windows' line ends made plain.
QString text(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).remove(QLatin1Char('\r'));
}

} // namespace

class TstCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void qtReadsItsOptions_data();
    void qtReadsItsOptions();

private:
    Run run(const QStringList& arguments) const;

    QString m_program;
};

void TstCommandLine::initTestCase()
{
    m_program = QStandardPaths::findExecutable(QStringLiteral("zelvan"), {QCoreApplication::applicationDirPath()});
    QVERIFY2(!m_program.isEmpty(), "no zelvan beside the test");
}

Run TstCommandLine::run(const QStringList& arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.start(m_program, arguments);
    Run result;
    // Minutes, not seconds: under Wine on a busy machine a start alone can
    // take several.
    result.finished = process.waitForFinished(180'000);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.status = process.exitStatus();
    result.exitCode = process.exitCode();
    result.out = text(process.readAllStandardOutput());
    result.err = text(process.readAllStandardError());
    return result;
}

// Each row: the arguments, the exit code, and what must be on standard
// output and on standard error; a stream with nothing listed must stay empty.
void TstCommandLine::answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");

    const QString version = QStringLiteral("Zelvan %1\n").arg(QLatin1String(zelvanversion::kVersion));
    const QStringList help{QStringLiteral("用法：zelvan [选项]\n"),
                           QStringLiteral("\n  -?, -h, --help  显示本帮助后退出\n"),
                           QStringLiteral("\n  -v, --version   显示版本号后退出\n"), QStringLiteral("-platform")};
    const QString refer = QStringLiteral("\n用“zelvan --help”查看可用的选项。\n");

    QTest::newRow("--version prints the version")
        << QStringList{"--version"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("-v is --version") << QStringList{"-v"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("-version with one dash, as Qt's tools take it")
        << QStringList{"-version"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("--help lists the options") << QStringList{"--help"} << 0 << help << QStringList{};
    QTest::newRow("-h is --help") << QStringList{"-h"} << 0 << help << QStringList{};
    QTest::newRow("-? is --help") << QStringList{"-?"} << 0 << help << QStringList{};

    QTest::newRow("an unknown option is refused")
        << QStringList{"--bogus"} << 2 << QStringList{}
        << QStringList{QStringLiteral("zelvan：未知选项“--bogus”。\n"), refer};
    QTest::newRow("an unknown option is named as typed")
        << QStringList{"-bogus=1"} << 2 << QStringList{} << QStringList{QStringLiteral("未知选项“-bogus”。")};
    QTest::newRow("a file is refused") << QStringList{"notes.txt"} << 2 << QStringList{}
                                       << QStringList{QStringLiteral("zelvan：多余的参数“notes.txt”。\n"), refer};
    QTest::newRow("--help beside a mistake is refused")
        << QStringList{"--help", "--bogus"} << 2 << QStringList{} << QStringList{QStringLiteral("“--bogus”")};
    QTest::newRow("--version takes no value")
        << QStringList{"--version=1"} << 2 << QStringList{} << QStringList{QStringLiteral("选项“--version”不带值。")};

    // Qt's options are accepted and left for Qt, values and all.
    QTest::newRow("-style with its value")
        << QStringList{"-style", "fusion", "--version"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("-style=fusion, which Qt reads too")
        << QStringList{"-style=fusion", "--version"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("--platform with two dashes")
        << QStringList{"--platform", "offscreen", "-v"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("-reverse") << QStringList{"-reverse", "-v"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("a Qt option's value is Qt's, whatever it looks like")
        << QStringList{"-qwindowtitle", "--bogus", "-v"} << 0 << QStringList{version} << QStringList{};
    QTest::newRow("-platform=xcb is nothing to Qt")
        << QStringList{"-platform=offscreen"} << 2 << QStringList{}
        << QStringList{QStringLiteral("选项“-platform”的值须另作一个参数，如“-platform 值”。"), refer};
    QTest::newRow("-platform without its value") << QStringList{"-v", "-platform"} << 2 << QStringList{}
                                                 << QStringList{QStringLiteral("选项“-platform”缺少值。")};
    QTest::newRow("-reverse takes no value")
        << QStringList{"-reverse=1"} << 2 << QStringList{} << QStringList{QStringLiteral("选项“-reverse”不带值。")};
#ifdef Q_OS_WIN
    QTest::newRow("X11's -display is no option on Windows")
        << QStringList{"-display", ":0", "-v"} << 2 << QStringList{} << QStringList{QStringLiteral("“-display”")};
#else
    QTest::newRow("X11's -display") << QStringList{"-display", ":0", "-v"} << 0 << QStringList{version}
                                    << QStringList{};
#endif
}

void TstCommandLine::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);

    const Run result = run(arguments);
    QVERIFY2(result.finished, "the program did not end");
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.exitCode, exitCode);
    for (const auto& [stream, expected] : {std::pair{result.out, out}, std::pair{result.err, err}}) {
        if (expected.isEmpty())
            QVERIFY2(stream.isEmpty(), qPrintable(stream));
        for (const QString& piece : expected)
            QVERIFY2(stream.contains(piece), qPrintable(QStringLiteral("no \"%1\" in:\n%2").arg(piece, stream)));
    }
}

// A Qt option is not merely accepted but reaches Qt: a platform that does
// not exist ends the program with Qt's own message naming it, not ours.
void TstCommandLine::qtReadsItsOptions_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("-platform") << QStringList{"-platform", "nosuchplatform"};
    QTest::newRow("--platform") << QStringList{"--platform", "nosuchplatform"};
    QTest::newRow("-platform after -reverse") << QStringList{"-reverse", "-platform", "nosuchplatform"};
}

void TstCommandLine::qtReadsItsOptions()
{
#ifdef Q_OS_WIN
    QSKIP("Qt for Windows reports a missing platform in a message box that waits for a click");
#endif
    QFETCH(QStringList, arguments);

    const Run result = run(arguments);
    QVERIFY2(result.finished, "the program did not end");
    QVERIFY(result.status != QProcess::NormalExit || result.exitCode != 0);
    QVERIFY2(result.err.contains(QLatin1String("\"nosuchplatform\"")), qPrintable(result.err));
    QVERIFY2(!result.err.contains(QStringLiteral("zelvan：")), qPrintable(result.err));
    QVERIFY(result.out.isEmpty());
}

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"
