// SPDX-License-Identifier: GPL-3.0-or-later
// What the four windows share: the keys that press a button, and captions
// that fit their controls with the fonts the program is installed with.
#include "ui/calculator/form3.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form4.h"
#include "ui/main/form1.h"
#include "ui/main/qttranslations.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

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

} // namespace

Q_DECLARE_METATYPE(Window)

class TestWindows : public QObject {
    Q_OBJECT

private slots:
    void keysPressFocusedButton_data();
    void keysPressFocusedButton();
    void qtTextsInChinese();
};

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
            QTest::addRow("%s %s Space", name, b.constData())
                << window << button << int(Qt::Key_Space) << Qt::KeyboardModifiers();
        }
    }
}

// Return and Enter press the focused button, as on Windows, and Space still
// does. What each click then does is the windows' own tests' concern: the
// handlers are cut off here, so that no calculator program or browser starts.
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
    QCOMPARE(installChineseQtTranslations(), 2); // Qt's own catalogue and the browser's

    // A Latin letter is allowed only as the accelerator in "(&U)" and in a
    // key name after the tab.
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    const auto shownWords = [](QString text) {
        return text.section(QLatin1Char('\t'), 0, 0).remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    };
    QStringList texts;
    Form1 window(QStringLiteral("host.example"), QStringLiteral("."));
    std::unique_ptr<QMenu> menu(window.findChild<QLineEdit*>(QStringLiteral("Text8"))->createStandardContextMenu());
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
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
