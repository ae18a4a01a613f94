// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/facebutton.h"
#include "ui/main/form1.h"
#include "ui/main/unitbox.h"
#include "zelvan/version.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <memory>
#include <set>

// What the boxes of the window show: box name -> text.
using Shown = QList<QPair<QString, QString>>;

namespace {

constexpr int kBoxCount = 35;

std::unique_ptr<Form1> openWindow(const QString& separator = QStringLiteral("."))
{
    auto window = std::make_unique<Form1>(QStringLiteral("host.example"), separator);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the main window did not become active");
    return window;
}

// The focused control's name; a window that lost the focus (another
// program's window took it) fails the comparison instead of crashing.
QString focusedName()
{
    const QWidget* focused = QApplication::focusWidget();
    return focused ? focused->objectName() : QStringLiteral("(nothing focused)");
}

QLineEdit* box(const Form1& window, const QString& name)
{
    auto* found = window.findChild<QLineEdit*>(name);
    if (!found)
        qFatal("no line edit %s", qPrintable(name));
    return found;
}

// Clicks into a box, as the user does before typing.
QLineEdit* clickInto(const Form1& window, const QString& name)
{
    QLineEdit* edit = box(window, name);
    QTest::mouseClick(edit, Qt::LeftButton);
    return edit;
}

QString boxName(int n)
{
    return QStringLiteral("Text%1").arg(n);
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void typingShowsPartners_data();
    void typingShowsPartners();
    void everyKeyReleaseRecomputes_data();
    void everyKeyReleaseRecomputes();
    void emptyingSourceKeepsPartners();
    void writingBoxRunsNoRule_data();
    void writingBoxRunsNoRule();
    void autoRepeatReleaseIsNotAKeyUp();
    void focusStartsInMetreBox();
    void tabCycle_data();
    void tabCycle();
    void tabReleaseRecomputesNewBox_data();
    void tabReleaseRecomputesNewBox();
    void resultBoxes_data();
    void resultBoxes();
    void unitLabelsNameTheirBoxes();
    void texts_data();
    void texts();
    void boxesHideTheFrameTooltip();
    void buttonsShowTheirPictures();
    void windowIsFixed();
    void f1TriggersHelp();
    void systemLocaleSeparator();
};

// clang-format off
void TestForm1::typingShowsPartners_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Shown>("partners");

    const QString dot = QStringLiteral(".");
    QTest::newRow("tension: 1 kgf/cm")
        << dot << "Text1" << "1" << Shown{{"Text2", "5.6007"}, {"Text3", "0.9807"}};
    QTest::newRow("thickness: 35 um is 0.99999 oz")
        << dot << "Text6" << "35" << Shown{{"Text5", "1377.95"}, {"Text4", "1.37795"}, {"Text7", "0.99999"}};
    QTest::newRow("length: 1 inch, 1000 mil keeps its separator")
        << dot << "Text11" << "1"
        << Shown{{"Text8", "0.0254"}, {"Text9", "25.4"}, {"Text10", "0.08333"}, {"Text12", "1000."}};
    QTest::newRow("length: 1 mil, tiny values round to five decimals")
        << dot << "Text12" << "1"
        << Shown{{"Text8", "0.00003"}, {"Text9", "0.0254"}, {"Text10", "0.00008"}, {"Text11", "0.001"}};
    QTest::newRow("area: 144 sq in is 0.99999 sq ft")
        << dot << "Text14" << "144" << Shown{{"Text13", "0.99999"}, {"Text15", "0.0929"}, {"Text16", "929.0304"}};
    QTest::newRow("current density: 10 ASD")
        << dot << "Text18" << "10" << Shown{{"Text17", "92.90313"}};
    QTest::newRow("current density: -1 ASF stays negative")
        << dot << "Text17" << "-1" << Shown{{"Text18", "-0.10764"}};
    QTest::newRow("flow: 1 LPH shows six decimals in GPM")
        << dot << "Text23" << "1" << Shown{{"Text19", "0.01667"}, {"Text20", "0.004403"}};
    QTest::newRow("flow: a letter in a fresh window leaves partners empty")
        << dot << "Text19" << "x" << Shown{{"Text20", ""}, {"Text23", ""}};
    QTest::newRow("pressure: 2 kgf/cm2")
        << dot << "Text21" << "2"
        << Shown{{"Text22", "28.4466"}, {"Text33", "1.962"}, {"Text34", "0.1962"}, {"Text35", "1470.998"}};
    QTest::newRow("pressure: 760 mmHg")
        << dot << "Text35" << "760"
        << Shown{{"Text21", "1.03331"}, {"Text22", "14.69711"}, {"Text33", "1.01368"}, {"Text34", "0.10137"}};
    QTest::newRow("plating: 2.5 kAh of copper")
        << dot << "Text24" << "2.5" << Shown{{"Text27", "2.965"}};
    QTest::newRow("plating: 12 kAh of nickel")
        << dot << "Text25" << "12" << Shown{{"Text26", "13.14"}};
    QTest::newRow("plating: 1 kAh of tin")
        << dot << "Text28" << "1" << Shown{{"Text29", "2.2133"}};
    QTest::newRow("plating: 100 Ah of gold and gold salt")
        << dot << "Text30" << "100" << Shown{{"Text31", "245.06"}, {"Text32", "471.26923"}};

    const QString comma = QStringLiteral(",");
    QTest::newRow("comma locale: 2,5 kAh of copper")
        << comma << "Text24" << "2,5" << Shown{{"Text27", "2,965"}};
    QTest::newRow("comma locale: 1 inch")
        << comma << "Text11" << "1"
        << Shown{{"Text8", "0,0254"}, {"Text9", "25,4"}, {"Text10", "0,08333"}, {"Text12", "1000,"}};
    // "1" converts; "1." and "1.5" fail, so the partners keep what "1" gave.
    QTest::newRow("comma locale: a full stop is no separator")
        << comma << "Text1" << "1.5" << Shown{{"Text2", "5,6007"}, {"Text3", "0,9807"}};
}
// clang-format on

void TestForm1::typingShowsPartners()
{
    QFETCH(QString, separator);
    QFETCH(QString, source);
    QFETCH(QString, typed);
    QFETCH(Shown, partners);

    auto window = openWindow(separator);
    QTest::keyClicks(clickInto(*window, source), typed);

    QCOMPARE(box(*window, source)->text(), typed);
    std::set<QString> checked{source};
    for (const auto& [name, text] : partners) {
        QCOMPARE(box(*window, name)->text(), text);
        checked.insert(name);
    }
    // No rule reaches outside its own group.
    for (int n = 1; n <= kBoxCount; ++n) {
        if (!checked.contains(boxName(n)))
            QVERIFY2(box(*window, boxName(n))->text().isEmpty(), qPrintable(boxName(n)));
    }
}

// clang-format off
void TestForm1::everyKeyReleaseRecomputes_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Shift") << int(Qt::Key_Shift);
    QTest::newRow("Control") << int(Qt::Key_Control);
    QTest::newRow("left arrow") << int(Qt::Key_Left);
    QTest::newRow("Home") << int(Qt::Key_Home);
    QTest::newRow("F5") << int(Qt::Key_F5);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}
// clang-format on

void TestForm1::everyKeyReleaseRecomputes()
{
    QFETCH(int, key);

    auto window = openWindow();
    QTest::keyClicks(clickInto(*window, "Text1"), "1");
    QCOMPARE(box(*window, "Text3")->text(), "0.9807");

    // A click alone converts nothing...
    QLineEdit* newton = clickInto(*window, "Text3");
    QCOMPARE(box(*window, "Text1")->text(), "1");

    // ...a key released in the box does, from the rounded value it shows.
    QTest::keyClick(newton, Qt::Key(key));
    QCOMPARE(newton->text(), "0.9807");
    QCOMPARE(box(*window, "Text1")->text(), "1.00072");
    QCOMPARE(box(*window, "Text2")->text(), "5.60471");
}

void TestForm1::emptyingSourceKeepsPartners()
{
    auto window = openWindow();
    QLineEdit* kgf = clickInto(*window, "Text21");
    QTest::keyClicks(kgf, "2");
    QTest::keyClick(kgf, Qt::Key_Backspace);

    QCOMPARE(kgf->text(), "");
    QCOMPARE(box(*window, "Text22")->text(), "28.4466");
    QCOMPARE(box(*window, "Text33")->text(), "1.962");
    QCOMPARE(box(*window, "Text34")->text(), "0.1962");
    QCOMPARE(box(*window, "Text35")->text(), "1470.998");
}

// clang-format off
void TestForm1::writingBoxRunsNoRule_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("setText") << "setText";
    QTest::newRow("insert") << "insert";
    QTest::newRow("paste from the clipboard") << "paste";
}
// clang-format on

void TestForm1::writingBoxRunsNoRule()
{
    QFETCH(QString, how);

    auto window = openWindow();
    QLineEdit* metre = clickInto(*window, "Text8");
    if (how == "setText") {
        metre->setText("1");
    } else if (how == "insert") {
        metre->insert("1");
    } else {
        QGuiApplication::clipboard()->setText("1");
        metre->paste();
    }
    QCOMPARE(metre->text(), "1");
    QCOMPARE(box(*window, "Text9")->text(), "");

    // The next key release in the box converts what it holds.
    QTest::keyClick(metre, Qt::Key_End);
    QCOMPARE(box(*window, "Text9")->text(), "1000.");
}

void TestForm1::autoRepeatReleaseIsNotAKeyUp()
{
    auto window = openWindow();
    QLineEdit* metre = clickInto(*window, "Text8");
    metre->setText("1");

    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, "1", true);
    QApplication::sendEvent(metre, &repeated);
    QCOMPARE(box(*window, "Text9")->text(), "");

    QKeyEvent released(QEvent::KeyRelease, Qt::Key_1, Qt::NoModifier, "1", false);
    QApplication::sendEvent(metre, &released);
    QCOMPARE(box(*window, "Text9")->text(), "1000.");
}

void TestForm1::focusStartsInMetreBox()
{
    auto window = openWindow();
    QVERIFY(window->focusWidget());
    QCOMPARE(window->focusWidget()->objectName(), "Text8");
}

// clang-format off
void TestForm1::tabCycle_data()
{
    QTest::addColumn<bool>("offButtonsShown");
    QTest::addColumn<QStringList>("cycle");

    const QStringList boxes{
        "Text8",  "Text9",  "Text10", "Text11", "Text12",           // length
        "Text13", "Text14", "Text15", "Text16",                     // area
        "Text6",  "Text5",  "Text4",  "Text7",                      // thickness
        "Text19", "Text20", "Text23",                               // flow
        "Text17", "Text18",                                         // current density
        "Text1",  "Text2",  "Text3",                                // tension
        "Text21", "Text22", "Text33", "Text34", "Text35",           // pressure
        "Text24", "Text25", "Text28", "Text30"};                    // plating inputs
    QTest::newRow("On buttons shown, as after the first show")
        << false << boxes + QStringList{"Command1", "Command4", "Command2", "Text8"};
    QTest::newRow("all four calculator buttons shown")
        << true
        << boxes + QStringList{"Command1", "Command5", "Command3", "Command4", "Command2", "Text8"};
}
// clang-format on

void TestForm1::tabCycle()
{
    QFETCH(bool, offButtonsShown);
    QFETCH(QStringList, cycle);

    auto window = openWindow();
    for (const char* name : {"Command3", "Command5"})
        window->findChild<QWidget*>(name)->setVisible(offButtonsShown);
    for (const char* name : {"Command2", "Command4"})
        window->findChild<QWidget*>(name)->setVisible(true);

    box(*window, cycle.first())->setFocus(Qt::OtherFocusReason);
    QCOMPARE(focusedName(), cycle.first());
    for (qsizetype i = 1; i < cycle.size(); ++i) {
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
        QCOMPARE(focusedName(), cycle.at(i));
    }
}

// clang-format off
void TestForm1::tabReleaseRecomputesNewBox_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("landing");
    QTest::addColumn<Shown>("shown");

    QTest::newRow("tension: one tab, kgf/cm rewritten from lbf/in")
        << "Text1" << "1" << 1 << "Text2" << Shown{{"Text1", "1."}, {"Text3", "0.9807"}};
    QTest::newRow("tension: two tabs, N/mm's factors are no exact inverses")
        << "Text1" << "1" << 2 << "Text3"
        << Shown{{"Text1", "1.00072"}, {"Text2", "5.60471"}, {"Text3", "0.9807"}};
    QTest::newRow("length: two tabs, ft's factors are no exact inverses")
        << "Text8" << "1" << 2 << "Text10"
        << Shown{{"Text8", "1.00005"}, {"Text9", "1000.0488"}, {"Text11", "39.372"}, {"Text12", "39372."}};
    QTest::newRow("length to area: the empty sq ft box leaves length alone")
        << "Text12" << "1" << 1 << "Text13"
        << Shown{{"Text8", "0.00003"}, {"Text11", "0.001"}, {"Text14", ""}, {"Text15", ""}};
}
// clang-format on

void TestForm1::tabReleaseRecomputesNewBox()
{
    QFETCH(QString, source);
    QFETCH(QString, typed);
    QFETCH(int, tabs);
    QFETCH(QString, landing);
    QFETCH(Shown, shown);

    auto window = openWindow();
    QTest::keyClicks(clickInto(*window, source), typed);
    // Tab goes to the window, as from the keyboard: the press moves the
    // focus, and the release then arrives in the box that has it.
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);

    QCOMPARE(focusedName(), landing);
    for (const auto& [name, text] : shown)
        QCOMPARE(box(*window, name)->text(), text);
}

// clang-format off
void TestForm1::resultBoxes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("value");

    QTest::newRow("copper") << "Text24" << "Text27" << "2.965";
    QTest::newRow("nickel") << "Text25" << "Text26" << "2.7375";
    QTest::newRow("tin") << "Text28" << "Text29" << "5.53325";
    QTest::newRow("gold") << "Text30" << "Text31" << "6.1265";
    QTest::newRow("gold salt") << "Text30" << "Text32" << "11.78173";
}
// clang-format on

void TestForm1::resultBoxes()
{
    QFETCH(QString, input);
    QFETCH(QString, result);
    QFETCH(QString, value);

    auto window = openWindow();
    QTest::keyClicks(clickInto(*window, input), "2.5");
    QLineEdit* shown = box(*window, result);
    QCOMPARE(shown->text(), value);

    QVERIFY(shown->isReadOnly());
    QCOMPARE(shown->focusPolicy(), Qt::ClickFocus);
    QVERIFY(!shown->toolTip().isEmpty());

    // A click puts the caret there, so the value can be selected and copied...
    QTest::mouseClick(shown, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), shown);
    QTest::keyClick(shown, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(shown->selectedText(), value);
    // ...but typing there changes nothing.
    QTest::keyClicks(shown, "7");
    QCOMPARE(shown->text(), value);
    QCOMPARE(box(*window, input)->text(), "2.5");
}

void TestForm1::unitLabelsNameTheirBoxes()
{
    auto window = openWindow();
    int unitLabels = 0;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        auto* unitBox = qobject_cast<UnitBox*>(label->buddy());
        if (!unitBox || label->toolTip().isEmpty())
            continue;
        ++unitLabels;
        // Screen readers announce the unit's Chinese name, the label's tooltip.
        QCOMPARE(unitBox->accessibleName(), label->toolTip());
        QCOMPARE(unitBox->parentWidget(), label->parentWidget());
    }
    QCOMPARE(unitLabels, 26);

    // Every box has a name of its own within its group, and the group's
    // caption as its description: the two "密耳" boxes differ only there.
    int described = 0;
    for (const QGroupBox* frame : window->findChildren<QGroupBox*>()) {
        std::set<QString> names;
        for (const QLineEdit* edit : frame->findChildren<QLineEdit*>()) {
            QVERIFY2(!edit->accessibleName().isEmpty(), qPrintable(edit->objectName()));
            QVERIFY2(names.insert(edit->accessibleName()).second, qPrintable(edit->accessibleName()));
            QCOMPARE(edit->accessibleDescription(), frame->title());
            ++described;
        }
    }
    QCOMPARE(described, kBoxCount);
}

// clang-format off
void TestForm1::texts_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");

    QTest::newRow("mmHg label tooltip") << "Label50" << QByteArray("toolTip") << "毫米汞柱";
    QTest::newRow("mmHg box name") << "Text35" << QByteArray("accessibleName") << "毫米汞柱";
    QTest::newRow("oz label tooltip") << "Label7" << QByteArray("toolTip") << "盎司(以铜箔重推算)";
    QTest::newRow("microinch label caption") << "Label5" << QByteArray("text") << "u\"";
    QTest::newRow("pressure frame tooltip") << "Frame3" << QByteArray("toolTip") << "兆帕";
    QTest::newRow("copper input box name") << "Text24" << QByteArray("accessibleName") << "电镀铜消耗电量";
    QTest::newRow("copper unit tooltip") << "Label31" << QByteArray("toolTip") << "千安培小时";
    QTest::newRow("copper result tooltip") << "Text27" << QByteArray("toolTip") << "电镀铜阳极";
    QTest::newRow("copper result name") << "Text27" << QByteArray("accessibleName") << "电镀铜阳极";
    QTest::newRow("tin result tooltip") << "Text29" << QByteArray("toolTip") << "电镀锡条（球）";
    QTest::newRow("gold salt result name") << "Text32" << QByteArray("accessibleName") << "柠檬酸金";
    QTest::newRow("gold salt label keeps its blank") << "Label46" << QByteArray("text") << "折合金盐 ";
    QTest::newRow("window caption carries the project's version")
        << "Form1" << QByteArray("windowTitle") << QStringLiteral("Zelvan V") + QLatin1String(zelvanversion::kVersion);
    QTest::newRow("clear button") << "Command1" << QByteArray("text") << "清空数值";
    QTest::newRow("informational menu entry") << "meno" << QByteArray("text") << "精确至小数点后5位数字";
}
// clang-format on

void TestForm1::texts()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);

    auto window = openWindow();
    QObject* found = object == "Form1" ? window.get() : window->findChild<QObject*>(object);
    QVERIFY(found);
    QCOMPARE(found->property(property.constData()).toString(), expected);
}

void TestForm1::boxesHideTheFrameTooltip()
{
    auto window = openWindow();
    auto* frame = window->findChild<QGroupBox*>("Frame3");
    QLineEdit* kgf = box(*window, "Text21");

    // Over the frame's bare area its tooltip shows...
    const QPoint bare(frame->width() - 4, frame->height() - 4);
    QHelpEvent overFrame(QEvent::ToolTip, bare, frame->mapToGlobal(bare));
    QApplication::sendEvent(frame, &overFrame);
    QTRY_COMPARE(QToolTip::text(), "兆帕");
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());

    // ...over a box, which has no tooltip, nothing does.
    QHelpEvent overBox(QEvent::ToolTip, {4, 4}, kgf->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(kgf, &overBox);
    QVERIFY(overBox.isAccepted());
    QVERIFY(!QToolTip::isVisible());
}

// Each of the five buttons paints its picture behind its caption, and the
// clear button its second picture while held down: against the same button
// without the picture, most of the face differs.
void TestForm1::buttonsShowTheirPictures()
{
    auto window = openWindow();
    const auto differing = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return double(count) / (a.width() * a.height());
    };
    const QList<FaceButton*> buttons = window->findChildren<FaceButton*>();
    QCOMPARE(buttons.size(), 5);
    for (FaceButton* button : buttons) {
        button->show();
        const QImage withPicture = button->grab().toImage();
        const QString picture = button->picture();
        button->setPicture(QString());
        const QImage plain = button->grab().toImage();
        button->setPicture(picture);
        QVERIFY2(differing(withPicture, plain) > 0.3, qPrintable(button->objectName()));
    }

    auto* clear = window->findChild<FaceButton*>(QStringLiteral("Command1"));
    clear->setDown(true);
    const QImage held = clear->grab().toImage();
    clear->setPressedPicture(QString());
    const QImage heldPlain = clear->grab().toImage();
    const QRect left(2, 2, 32, clear->height() - 4);
    QVERIFY(differing(held.copy(left), heldPlain.copy(left)) > 0.3);
}

void TestForm1::windowIsFixed()
{
    auto window = openWindow();
    QCOMPARE(window->centralWidget()->size(), QSize(649, 556));
    QCOMPARE(window->minimumSize(), window->maximumSize());

    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    const QSize before = window->size();
    window->resize(before + QSize(100, 100));
    QCOMPARE(window->size(), before);
    QCOMPARE(window->centralWidget()->size(), QSize(649, 556));
}

void TestForm1::f1TriggersHelp()
{
    auto window = openWindow();
    auto* help = window->findChild<QAction*>("help");
    QVERIFY(help);
    QSignalSpy triggered(help, &QAction::triggered);
    clickInto(*window, "Text1");
    // The help window is modal: look at it from inside its event loop, then close it.
    QString shownTitle;
    QTimer::singleShot(0, this, [&shownTitle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownTitle = modal->windowTitle();
            modal->close();
        }
    });
    QTest::keyClick(window->windowHandle(), Qt::Key_F1);
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(shownTitle, QString("Help"));
}

void TestForm1::systemLocaleSeparator()
{
    // The test runs under LC_ALL=de_DE.UTF-8 (tests/CMakeLists.txt): the
    // window built without a separator reads and writes German numbers.
    if (QLocale::system().decimalPoint() != ",")
        QSKIP("the system locale is not a comma locale in this run");
    Form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(clickInto(window, "Text24"), "2,5");
    QCOMPARE(box(window, "Text27")->text(), "2,965");
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
