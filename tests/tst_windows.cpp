// SPDX-License-Identifier: GPL-3.0-or-later
// What the four windows share: the keys that press a button, Qt's own texts
// in Chinese, captions that fit their controls with the fonts the program is
// installed with, and every control's font and colours as designed.
#include "ui/calculator/form3.h"
#include "ui/common/appsetup.h"
#include "ui/common/qttranslations.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form4.h"
#include "ui/main/facebutton.h"
#include "ui/main/form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

enum class Window { Main, Help, Calculator, About };

constexpr Window kWindows[] = {Window::Main, Window::Help, Window::Calculator, Window::About};

const char* windowName(Window window)
{
    switch (window) {
    case Window::Main: return "Form1";
    case Window::Help: return "Form2";
    case Window::Calculator: return "Form3";
    case Window::About: return "Form4";
    }
    return "";
}

std::unique_ptr<QWidget> makeWindow(Window window)
{
    switch (window) {
    case Window::Main: return std::make_unique<Form1>(QStringLiteral("host.example"), QStringLiteral("."));
    case Window::Help: return std::make_unique<Form2>();
    case Window::Calculator: return std::make_unique<Form3>(QStringLiteral("."));
    case Window::About: return std::make_unique<Form4>();
    }
    return nullptr;
}

// The window's buttons by name, the hidden members of the stacked pairs too.
QStringList buttonNames(Window window)
{
    const auto made = makeWindow(window);
    QStringList names;
    for (const QAbstractButton* button : made->findChildren<QAbstractButton*>()) {
        if (!button->objectName().startsWith(QLatin1String("qt_"))) // the menu bar's own
            names.append(button->objectName());
    }
    names.sort();
    return names;
}

// The room a control's caption needs, laid out in the control's own font:
// a label's text wrapped as the label wraps it, a frame's title beside its
// indent, a button's picture and caption inside its border.
QSize captionNeeds(const QWidget* control, const QString& caption)
{
    const QFontMetrics metrics = control->fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->wordWrap() || caption.contains(QLatin1Char('\n'))) {
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect bounds(0, 0, label->wordWrap() ? label->contentsRect().width() : 0, 0);
            return metrics.boundingRect(bounds, flags, caption).size();
        }
        // One line: its ink, from the label's left edge and placed on the
        // baseline as the label's alignment puts it, must stay inside. A
        // trailing blank or the line's empty leading may hang over, and so
        // may the last column of ink: a Song face's Latin letters fill their
        // half-width cell (" Kg" in its 17-pixel label).
        const QRect ink = metrics.tightBoundingRect(caption);
        const int room = label->contentsRect().height();
        const int top = label->alignment() & Qt::AlignTop      ? 0
                        : label->alignment() & Qt::AlignBottom ? room - metrics.height()
                                                               : (room - metrics.height()) / 2;
        const int baseline = top + metrics.ascent();
        const int overTop = qMax(0, -(baseline + ink.top()));
        return {ink.right(), qMax(room, baseline + ink.bottom() + 1) + overTop};
    }
    if (qobject_cast<const QGroupBox*>(control))
        return {metrics.horizontalAdvance(caption) + 8, metrics.height()};
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    // The main window's buttons draw their picture behind the caption.
    if (qobject_cast<const FaceButton*>(button))
        return {metrics.horizontalAdvance(caption) + 4, metrics.height() + 4};
    const QSize picture = button->icon().isNull() ? QSize(0, 0) : button->iconSize();
    const auto* tool = qobject_cast<const QToolButton*>(button);
    if (tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) {
        return {qMax(picture.width(), metrics.horizontalAdvance(caption)) + 2, picture.height() + metrics.height() + 2};
    }
    // Picture buttons stack the picture over the caption's ink.
    const QRect ink = metrics.tightBoundingRect(caption);
    return {qMax(picture.width(), metrics.horizontalAdvance(caption)) + 2,
            picture.height() + (picture.isEmpty() ? metrics.height() : ink.height()) + 2};
}

QString captionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->pixmap().isNull() ? label->text() : QString();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

// The faces a designed family may resolve to: itself where it is installed,
// or the stand-in of the same metrics that install-deps installs.
const QMap<QString, QStringList>& faces()
{
    static const QMap<QString, QStringList> table = {
        {QStringLiteral("Arial"), {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}},
        {QStringLiteral("Arial Narrow"),
         {QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
          QStringLiteral("Nimbus Sans Narrow")}},
        {QStringLiteral("Calibri"), {QStringLiteral("Calibri"), QStringLiteral("Carlito")}},
        {QStringLiteral("SimSun"), {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN")}},
        {QStringLiteral("NSimSun"), {QStringLiteral("NSimSun"), QStringLiteral("AR PL UMing CN")}},
        {QStringLiteral("SimHei"), {QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Micro Hei")}},
        {QStringLiteral("Tahoma"), {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}},
    };
    return table;
}

QStringList numbered(const char* prefix, std::initializer_list<int> numbers)
{
    QStringList names;
    for (const int n : numbers)
        names.append(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(n));
    return names;
}

} // namespace

Q_DECLARE_METATYPE(Window)

class TestWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keysPressFocusedButton_data();
    void keysPressFocusedButton();
    void qtTextsInChinese();
    void captionsFit_data();
    void captionsFit();
    void helpTextEndsAboveItsButton();
    void fontsAndColours_data();
    void fontsAndColours();
};

// The fonts and Qt's texts as the program sets them up before its first window.
void TestWindows::initTestCase()
{
    setUpApplication();
}

// clang-format off
void TestWindows::keysPressFocusedButton_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    for (const Window window : kWindows) {
        for (const QString& button : buttonNames(window)) {
            const char* name = windowName(window);
            const QByteArray b = button.toUtf8();
            QTest::addRow("%s %s Return", name, b.constData())
                << window << button << int(Qt::Key_Return) << Qt::KeyboardModifiers();
            QTest::addRow("%s %s keypad Enter", name, b.constData())
                << window << button << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
        }
    }
    // Qt's own key for every button; only the about window's button filters
    // its keys, and must leave Space alone.
    QTest::newRow("Form4 Command1 Space")
        << Window::About << QStringLiteral("Command1") << int(Qt::Key_Space) << Qt::KeyboardModifiers();
}
// clang-format on

// Return and Enter press the focused button, as on Windows. What each click
// then does is the windows' own tests' concern: the handlers are cut off
// here, so that no calculator program or browser starts.
void TestWindows::keysPressFocusedButton()
{
    QFETCH(Window, window);
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    const auto shown = makeWindow(window);
    shown->show();
    QVERIFY(QTest::qWaitForWindowActive(shown.get()));
    auto* pressed = shown->findChild<QAbstractButton*>(button);
    QVERIFY(pressed);
    pressed->show();
    QObject::disconnect(pressed, &QAbstractButton::clicked, nullptr, nullptr);
    QSignalSpy clicked(pressed, &QAbstractButton::clicked);

    pressed->setFocus(Qt::TabFocusReason);
    QVERIFY(pressed->hasFocus());
    QTest::keyClick(pressed, Qt::Key(key), modifiers);
    QCOMPARE(clicked.count(), 1);
}

// The texts Qt itself draws, seen in a unit box's context menu and on a
// message box's buttons, are Chinese like the rest, whatever the locale.
void TestWindows::qtTextsInChinese()
{
    // A Latin letter is allowed only as the accelerator in "(&U)" and in a
    // key name after the tab.
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    const auto shownWords = [](const QString& text) {
        return text.section(QLatin1Char('\t'), 0, 0).remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    };
    QStringList texts;
    Form1 window(QStringLiteral("host.example"), QStringLiteral("."));
    auto* metreBox = window.findChild<QLineEdit*>(QStringLiteral("Text8"));
    std::unique_ptr<QMenu> menu(metreBox->createStandardContextMenu());
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    QCOMPARE(texts.size(), 7); // undo, redo, cut, copy, paste, delete, select all
    QMessageBox box(QMessageBox::Warning, window.windowTitle(), QStringLiteral("无法启动系统计算器"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    texts.append(box.button(QMessageBox::Ok)->text());
    texts.append(box.button(QMessageBox::Cancel)->text());
    for (const QString& text : texts)
        QVERIFY2(!shownWords(text).contains(latin), qPrintable(text));

#ifdef Q_OS_WIN
    QCOMPARE(installChineseQtTranslations(), 1); // Qt's own; no browser on Windows yet
#else
    QCOMPARE(installChineseQtTranslations(), 2); // Qt's own catalogue and the browser's
#endif
}

// clang-format off
void TestWindows::captionsFit_data()
{
    QTest::addColumn<Window>("window");
    for (const Window window : kWindows)
        QTest::addRow("%s", windowName(window)) << window;
}
// clang-format on

// Every caption, laid out in the font its control resolved to with the fonts
// the program is installed with, fits the control's rectangle.
void TestWindows::captionsFit()
{
    QFETCH(Window, window);
    const auto shown = makeWindow(window);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));

    QStringList tooLarge;
    int captions = 0;
    for (const QWidget* control : shown->findChildren<QWidget*>()) {
        const QString caption = captionOf(control);
        if (caption.isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        ++captions;
        const QSize needs = captionNeeds(control, caption);
        const auto* label = qobject_cast<const QLabel*>(control);
        const QSize room = label ? label->contentsRect().size() : control->size();
        if (needs.width() > room.width() || needs.height() > room.height()) {
            tooLarge.append(QStringLiteral("%1 needs %2x%3 in %4x%5")
                                .arg(control->objectName())
                                .arg(needs.width())
                                .arg(needs.height())
                                .arg(room.width())
                                .arg(room.height()));
        }
    }
    QVERIFY(captions > 0);
    QVERIFY2(tooLarge.isEmpty(), qPrintable(tooLarge.join(QStringLiteral("; "))));
}

// The help text, wrapped in its label, ends above the button under it: ten
// lines of a Song face with SimSun's metrics, each sentence on a new line.
void TestWindows::helpTextEndsAboveItsButton()
{
    Form2 help;
    const auto* text = help.findChild<QLabel*>(QStringLiteral("Label1"));
    const auto* button = help.findChild<QPushButton*>(QStringLiteral("Command1"));
    const QSize needs = captionNeeds(text, text->text());
    const int bottom = text->mapTo(&help, text->contentsRect().topLeft()).y() + needs.height();
    QVERIFY2(bottom <= button->y(), qPrintable(QStringLiteral("text ends at %1, button starts at %2 (%3 lines in %4)")
                                                   .arg(bottom)
                                                   .arg(button->y())
                                                   .arg(needs.height() / text->fontMetrics().lineSpacing())
                                                   .arg(QFontInfo(text->font()).family())));
}

// clang-format off
void TestWindows::fontsAndColours_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");

    const QPalette system = QApplication::palette();
    const QColor text = system.color(QPalette::WindowText);
    const QColor windowBackground = system.color(QPalette::Base); // the client area's, white
    const QColor buttonFace = system.color(QPalette::Button);
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor lightYellow(255, 255, 192);
    const QColor lightBlue(192, 192, 255);

    // The main window.
    QTest::newRow("frames and plating labels: the window font")
        << Window::Main
        << numbered("Frame", {1, 2, 3, 4, 5, 6, 7, 8})
               + numbered("Label", {30, 31, 32, 33, 34, 35, 36, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48})
        << "SimSun" << 9.0 << false << false << text << windowBackground;
    QTest::newRow("unit labels of six groups")
        << Window::Main
        << numbered("Label", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 22, 23, 27, 28, 29})
        << "Arial" << 9.0 << false << false << text << windowBackground;
    QTest::newRow("unit boxes of six groups")
        << Window::Main
        << numbered("Text", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 23})
        << "Arial" << 9.0 << false << false << black << white;
    QTest::newRow("square signs") << Window::Main << numbered("Label", {17, 18, 19, 20})
        << "Arial" << 8.25 << false << false << text << windowBackground;
    QTest::newRow("pressure square sign") << Window::Main << QStringList{"Label24"}
        << "Arial Narrow" << 8.25 << false << false << text << windowBackground;
    QTest::newRow("pressure labels") << Window::Main << numbered("Label", {25, 26, 37, 49, 50})
        << "Calibri" << 10.5 << false << false << text << windowBackground;
    QTest::newRow("pressure boxes and plating inputs")
        << Window::Main << numbered("Text", {21, 22, 33, 34, 35, 24, 25, 28, 30})
        << "Calibri" << 10.5 << false << false << black << white;
    QTest::newRow("copper result") << Window::Main << QStringList{"Text27"}
        << "Calibri" << 10.5 << false << false << black << QColor(255, 192, 128);
    QTest::newRow("nickel and tin results") << Window::Main << numbered("Text", {26, 29})
        << "Calibri" << 10.5 << false << false << black << QColor(224, 224, 224);
    QTest::newRow("gold results") << Window::Main << numbered("Text", {31, 32})
        << "Calibri" << 10.5 << false << false << black << QColor(255, 255, 0);
    QTest::newRow("clear button") << Window::Main << QStringList{"Command1"}
        << "NSimSun" << 14.25 << false << false << black << buttonFace;
    QTest::newRow("Calculator On") << Window::Main << QStringList{"Command2"}
        << "Arial" << 10.5 << true << false << black << QColor(255, 224, 192);
    QTest::newRow("WinCalc. On") << Window::Main << QStringList{"Command4"}
        << "Arial" << 10.5 << true << false << black << QColor(255, 128, 128);
    QTest::newRow("Off buttons") << Window::Main << numbered("Command", {3, 5})
        << "Arial" << 12.0 << true << false << black << buttonFace;
    QTest::newRow("credit line") << Window::Main << QStringList{"Label21"}
        << "Calibri" << 9.0 << false << false << QColor(64, 64, 64) << QColor(255, 255, 128);

    // The help window.
    QTest::newRow("help text") << Window::Help << QStringList{"Label1"}
        << "SimSun" << 12.0 << false << false << text << system.color(QPalette::Window);

    QTest::newRow("help button: the window font") << Window::Help << QStringList{"Command1"}
        << "SimSun" << 9.0 << false << false << black << buttonFace;

    // The calculator.
    QTest::newRow("display") << Window::Calculator << QStringList{"Text1"}
        << "Arial" << 26.25 << true << true << QColor(224, 224, 224) << QColor(128, 128, 255);
    QTest::newRow("digit keys") << Window::Calculator << numbered("Command", {1, 2, 3, 4, 5, 6, 7, 8, 9, 14})
        << "Arial" << 12.0 << true << false << black << lightYellow;
    QTest::newRow("operator keys") << Window::Calculator << numbered("Command", {10, 11, 13})
        << "Arial" << 12.0 << true << false << black << lightBlue;
    QTest::newRow("CE") << Window::Calculator << QStringList{"c"}
        << "Arial" << 12.0 << true << false << black << QColor(255, 0, 0);
    QTest::newRow("equals") << Window::Calculator << QStringList{"Command16"}
        << "Arial" << 12.0 << true << false << black << QColor(192, 255, 192);
    QTest::newRow("times") << Window::Calculator << QStringList{"Command12"}
        << "Arial" << 15.0 << true << false << black << lightBlue;
    QTest::newRow("point") << Window::Calculator << QStringList{"Command17"}
        << "Arial" << 15.75 << true << false << black << lightYellow;
    QTest::newRow("remainder and integer division") << Window::Calculator << numbered("Command", {15, 18})
        << "SimHei" << 12.0 << false << false << black << lightBlue;

    QTest::newRow("note under the keys: the window font") << Window::Calculator << QStringList{"Label1"}
        << "SimSun" << 9.0 << false << false << text << system.color(QPalette::Window);

    // The about window.
    QTest::newRow("about lines: the window font") << Window::About << numbered("Label", {1, 2, 3, 5})
        << "SimSun" << 9.0 << false << false << text << system.color(QPalette::Window);
    QTest::newRow("slogan") << Window::About << QStringList{"Label4"}
        << "Tahoma" << 12.0 << true << false << QColor(192, 64, 0) << system.color(QPalette::Window);
}
// clang-format on

// Each control's font as Qt resolved it (the face actually matched, its size,
// weight and slant) and its colours, as designed: inheritance, fractional
// sizes and the stand-in faces all show here.
void TestWindows::fontsAndColours()
{
    QFETCH(Window, window);
    QFETCH(QStringList, controls);
    QFETCH(QString, family);
    QFETCH(double, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);

    const auto shown = makeWindow(window);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    for (const QString& name : controls) {
        const auto* control = shown->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        const QFontInfo matched(control->font());
        const QString face = matched.family().section(QStringLiteral(" ["), 0, 0); // without the foundry
        QVERIFY2(faces().value(family).contains(face), qPrintable(name + QStringLiteral(": ") + face));
        QCOMPARE(matched.pointSizeF(), size);
        QCOMPARE(matched.bold(), bold);
        QCOMPARE(matched.italic(), italic);
        QCOMPARE(control->palette().color(control->foregroundRole()), foreground);
        QCOMPARE(control->palette().color(control->backgroundRole()), background);
    }
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
