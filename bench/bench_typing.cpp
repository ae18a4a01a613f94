// SPDX-License-Identifier: GPL-3.0-or-later
// A key release in the real main window until the partners hold their new
// text: the kgf/cm2 box of the pressure group (four partners) and the metre
// box of the length group (four partners). Run with -median N.
#include "ui/main/form1.h"

#include <QLineEdit>
#include <QTest>

class BenchTyping : public QObject {
    Q_OBJECT

private slots:
    void keyRelease_data();
    void keyRelease();
};

void BenchTyping::keyRelease_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("partner");
    QTest::newRow("pressure kgf/cm2") << "Text21"
                                      << "Text35";
    QTest::newRow("length m") << "Text8"
                              << "Text12";
}

void BenchTyping::keyRelease()
{
    QFETCH(QString, source);
    QFETCH(QString, partner);
    Form1 window(QStringLiteral("www.orvane.example"), QStringLiteral("."));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* box = window.findChild<QLineEdit*>(source);
    auto* last = window.findChild<QLineEdit*>(partner);
    box->setFocus();

    // Alternate two values so that every release really rewrites the partners.
    const QString values[] = {QStringLiteral("2.5"), QStringLiteral("760.25")};
    int i = 0;
    QString before;
    QBENCHMARK
    {
        box->setText(values[i++ % 2]);
        before = last->text();
        QTest::keyRelease(box, Qt::Key_Shift);
    }
    QVERIFY(last->text() != before);
}

QTEST_MAIN(BenchTyping)
#include "bench_typing.moc"
