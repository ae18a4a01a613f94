// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/calculator/form3.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>

namespace {

QLineEdit* display(const Form3& form)
{
    return form.findChild<QLineEdit*>("Text1");
}

QAbstractButton* buttonWithCaption(const Form3& form, const QString& caption)
{
    const auto buttons = form.findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

// Clicks the real buttons by their captions, one blank-separated token at a
// time: a number clicks its keys one by one, "[text]" types text into the
// display with the keyboard.
void click(const Form3& form, const QString& sequence)
{
    const QStringList tokens = sequence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (token.startsWith('[') && token.endsWith(']')) {
            QTest::keyClicks(display(form), token.mid(1, token.size() - 2));
            continue;
        }
        const bool isNumber = token.front().isDigit() || token.front() == '.';
        const QStringList keys = isNumber ? token.split(QString(), Qt::SkipEmptyParts) : QStringList{token};
        for (const QString& key : keys) {
            QAbstractButton* button = buttonWithCaption(form, key);
            QVERIFY2(button, qPrintable("no button " + key));
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
}

} // namespace

class TestForm3 : public QObject {
    Q_OBJECT

private slots:
    void buttons_data();
    void buttons();
    void commaLocale();
    void editingTheDisplay();
    void hideKeepsEverything();
    void closeStartsAfresh();
    void unloadClosesTheWindow();
    void window();
    void placement();
    void keypad_data();
    void keypad();
    void keyFaces_data();
    void keyFaces();
    void displayLook();
};

// clang-format off
void TestForm3::buttons_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("shown");

    QTest::newRow("every digit key") << "1 2 3 4 5 6 7 8 9 0" << "1234567890";
    QTest::newRow("point key twice") << "1 . . 5" << "1..5";
    QTest::newRow("plus and repeated equals") << "1 + 2 = =" << "4.";
    QTest::newRow("minus with CE") << "8 - 5 CE 3 =" << "5.";
    QTest::newRow("times") << "9 * 3 =" << "27.";
    QTest::newRow("divide") << "1 / 3 =" << "0.333333";
    QTest::newRow("integer division rounds 7.5") << "7.5 整除 2 =" << "4.";
    QTest::newRow("remainder") << "7 余数 2 =" << "1.";
    QTest::newRow("failed division keeps display") << "2 / 0 =" << "0";
    QTest::newRow("typed number then plus") << "[12.5] + 2 =" << "14.5";
    QTest::newRow("typed second operand") << "6 * [-2] =" << "-12.";
    QTest::newRow("typed abc then plus") << "[abc] + 5 =" << "5.";
}
// clang-format on

void TestForm3::buttons()
{
    QFETCH(QString, sequence);
    QFETCH(QString, shown);

    Form3 form(".");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    click(form, sequence);
    QCOMPARE(display(form)->text(), shown);
}

void TestForm3::commaLocale()
{
    Form3 form(",");
    form.show();
    click(form, "1 . 5");
    QCOMPARE(display(form)->text(), QString("1,5"));
    click(form, "+ 1 =");
    QCOMPARE(display(form)->text(), QString("2,5"));
}

// Deleting and typing in the display is what the next button reads.
void TestForm3::editingTheDisplay()
{
    Form3 form(".");
    form.show();
    click(form, "1 2 3");
    QTest::keyClick(display(form), Qt::Key_Backspace);
    QTest::keyClicks(display(form), "9");
    click(form, "+ 1 =");
    QCOMPARE(display(form)->text(), QString("130."));

    display(form)->selectAll();
    QTest::keyClick(display(form), Qt::Key_Delete);
    click(form, "=");
    QCOMPARE(display(form)->text(), QString()); // an empty display does not read
}

void TestForm3::hideKeepsEverything()
{
    Form3 form(".");
    form.show();
    click(form, "8 - 5");
    form.hide();
    form.show();
    QCOMPARE(display(form)->text(), QString("5"));
    click(form, "=");
    QCOMPARE(display(form)->text(), QString("3."));
}

// Closed through the window system, the window comes back with an empty
// display, but the pending operation and the first operand are still there.
void TestForm3::closeStartsAfresh()
{
    auto* form = new Form3(".");
    QPointer<Form3> guard(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    click(*form, "8 - 5");
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(guard, "closing must not delete the one calculator object");

    form->show();
    QCOMPARE(display(*form)->text(), QString());
    click(*form, "2 =");
    QCOMPARE(display(*form)->text(), QString("6."));
    delete form;
}

void TestForm3::unloadClosesTheWindow()
{
    Form3 form(".");
    form.show();
    click(form, "4");
    form.unload();
    QVERIFY(!form.isVisible());
    QCOMPARE(display(form)->text(), QString());
}

void TestForm3::window()
{
    Form3 form(".");
    QVERIFY(form.isWindow());
    QCOMPARE(form.parentWidget(), nullptr);
    QCOMPARE(form.windowTitle(), QString("Orvane计算器"));
    QVERIFY(!form.windowIcon().isNull());
    QVERIFY(!form.windowIcon().pixmap(32, 32).isNull());
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!form.testAttribute(Qt::WA_DeleteOnClose));

    form.show();
    QCOMPARE(form.size(), QSize(296, 442));
    QCOMPARE(form.minimumSize(), QSize(296, 442));
    QCOMPARE(form.maximumSize(), QSize(296, 442));
    QCOMPARE(display(form)->text(), QString());
    QCOMPARE(int(form.core().pendingCode()), 0);

    const auto* banner = form.findChild<QLabel*>("Image2");
    QVERIFY(banner);
    QVERIFY(!banner->pixmap().isNull());
    QCOMPARE(banner->pixmap().size(), QSize(246, 33));
    QCOMPARE(banner->size(), QSize(251, 33));
    const auto* note = form.findChild<QLabel*>("Label1");
    QVERIFY(note);
    QCOMPARE(note->text(), QString("精确至小数点后六位数字"));
}

// The client area opens at 809, 174 where the screen has room for it, and
// is kept on a screen that is too small.
void TestForm3::placement()
{
    Form3 form(".");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect available = form.screen()->availableGeometry();
    QVERIFY2(available.contains(form.geometry()), "the window must stay on the screen");
    const QRect stored(QPoint(809, 174), QSize(296, 442));
    if (available.contains(stored.adjusted(-8, -32, 8, 8)))
        QCOMPARE(form.geometry(), stored);
}

// clang-format off
void TestForm3::keypad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("c") << "c" << "CE" << "清零";
    QTest::newRow("Command15") << "Command15" << "余数" << "整除后余数";
    QTest::newRow("Command18") << "Command18" << "整除" << "整除数";
    QTest::newRow("Command10") << "Command10" << "+" << "加法";
    QTest::newRow("Command11") << "Command11" << "-" << "减法";
    QTest::newRow("Command12") << "Command12" << "*" << "乘法";
    QTest::newRow("Command13") << "Command13" << "/" << "除法";
    QTest::newRow("Command16") << "Command16" << "=" << "等号";
    QTest::newRow("Command17") << "Command17" << "." << "小数点";
    QTest::newRow("Command14") << "Command14" << "0" << "";
    for (int digit = 1; digit <= 9; ++digit) {
        const QString name = QString("Command%1").arg(digit);
        QTest::newRow(qPrintable(name)) << name << QString::number(digit) << "";
    }
}
// clang-format on

// Every key carries its caption, tooltip and picture, lies inside the
// client area and overlaps no other key.
void TestForm3::keypad()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);

    Form3 form(".");
    const auto* key = form.findChild<QAbstractButton*>(name);
    QVERIFY(key);
    QCOMPARE(key->text(), caption);
    QCOMPARE(key->toolTip(), toolTip);
    QVERIFY(!key->icon().isNull());
    QVERIFY(!key->icon().pixmap(key->iconSize()).isNull());
    QCOMPARE(key->size(), QSize(57, 41));
    QVERIFY(form.rect().contains(key->geometry()));
    const auto others = form.findChildren<QAbstractButton*>();
    QCOMPARE(others.size(), 19);
    for (const QAbstractButton* other : others) {
        if (other != key)
            QVERIFY2(!other->geometry().intersects(key->geometry()), qPrintable(other->objectName()));
    }
}

// clang-format off
void TestForm3::keyFaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("face");

    QTest::newRow("CE is red") << "c" << QColor(255, 0, 0);
    QTest::newRow("digits are yellow") << "Command7" << QColor(255, 255, 192);
    QTest::newRow("point is yellow") << "Command17" << QColor(255, 255, 192);
    QTest::newRow("operators are blue") << "Command10" << QColor(192, 192, 255);
    QTest::newRow("remainder is blue") << "Command15" << QColor(192, 192, 255);
    QTest::newRow("equals is green") << "Command16" << QColor(192, 255, 192);
}
// clang-format on

// What is painted, not just what the palette says.
void TestForm3::keyFaces()
{
    QFETCH(QString, name);
    QFETCH(QColor, face);

    Form3 form(".");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* key = form.findChild<QAbstractButton*>(name);
    QVERIFY(key);
    const QImage image = key->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 10, image.height() / 2).rgb(), face.rgb());
}

void TestForm3::displayLook()
{
    Form3 form(".");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QLineEdit* text1 = display(form);
    QVERIFY(!text1->isReadOnly());
    const QFont font = text1->font();
    QCOMPARE(font.pointSizeF(), 26.25);
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    QCOMPARE(form.findChild<QAbstractButton*>("Command17")->font().pointSizeF(), 15.75);

    const QImage image = text1->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 10, image.height() / 2).rgb(), QColor(128, 128, 255).rgb());
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
