// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of closing a calculator window over the session bus, without a
// bus: what an application's introspection data names as windows, and what
// the close does after each answer.
#include "platform/unix/buswindows.h"

#include <QTest>

using platform::WindowQueue;

Q_DECLARE_METATYPE(WindowQueue::Next)

class TestBusWindows : public QObject {
    Q_OBJECT

private slots:
    void windowNodes_data();
    void windowNodes();
    void next_data();
    void next();
};

void TestBusWindows::windowNodes_data()
{
    QTest::addColumn<QString>("introspection");
    QTest::addColumn<QStringList>("windows");

    QTest::newRow("windows in the order listed, interfaces skipped")
        << "<node><interface name=\"org.gtk.Actions\"/><node name=\"2\"/><node name=\"1\"/></node>"
        << QStringList{"2", "1"};
    QTest::newRow("a window's own children are no windows")
        << "<node><node name=\"1\"><node name=\"menus\"/></node></node>" << QStringList{"1"};
    QTest::newRow("names no object path can hold are left out")
        << "<node><node name=\"\"/><node/><node name=\"a/b\"/><node name=\"3\"/></node>" << QStringList{"3"};
}

void TestBusWindows::windowNodes()
{
    QFETCH(QString, introspection);
    QFETCH(QStringList, windows);
    QCOMPARE(platform::windowNodes(introspection), windows);
}

void TestBusWindows::next_data()
{
    QTest::addColumn<int>("found");
    QTest::addColumn<int>("refused"); // closes asked and refused, one window each
    QTest::addColumn<bool>("asking"); // one more window asked, its answer still out
    QTest::addColumn<int>("lookUpsOut");
    QTest::addColumn<WindowQueue::Next>("next");

    QTest::newRow("a close out is waited for, windows left or not") << 2 << 0 << true << 0 << WindowQueue::Next::Wait;
    QTest::newRow("a refused close lets the next window be asked") << 2 << 1 << false << 3 << WindowQueue::Next::Ask;
    QTest::newRow("every window refused, every look-up answered: give up")
        << 2 << 2 << false << 0 << WindowQueue::Next::GiveUp;
}

void TestBusWindows::next()
{
    QFETCH(int, found);
    QFETCH(int, refused);
    QFETCH(bool, asking);
    QFETCH(int, lookUpsOut);
    QFETCH(WindowQueue::Next, next);

    WindowQueue queue;
    for (int i = 0; i < found; ++i)
        queue.found({QStringLiteral(":1.%1").arg(i), QStringLiteral("/org/gnome/Calculator/window/%1").arg(i)});
    for (int i = 0; i < refused; ++i) {
        // Asked in the order found.
        QCOMPARE(queue.take().path, QStringLiteral("/org/gnome/Calculator/window/%1").arg(i));
        queue.closeFailed();
    }
    if (asking)
        queue.take();
    QCOMPARE(queue.next(lookUpsOut), next);
}

QTEST_GUILESS_MAIN(TestBusWindows)
#include "tst_buswindows.moc"
