// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of random user actions on the real main and calculator windows:
// keys, pastes and input-method text in the unit boxes, clicks on boxes,
// buttons and labels, Enter, minimising and restoring, the calculator's
// keypad and display, and closing the calculator. After every action the
// window must still stand and hold its promises: a box that a rule writes
// shows the user's own text, nothing, or a well-formed rounded number, the
// one its source makes with the plant's constants as written out below; a
// key release changes nothing outside its own group; the calculator shows
// what a calculator core fed the same presses shows; each stacked pair shows
// one button. The run is fixed by its generator's start value (ZELVAN_RANDOM_SEED,
// and ZELVAN_RANDOM_STEPS for the length); a failure names both and the step.
#include "engine/steps.h"
#include "engine/unitboxes.h"
#include "engine/calculatorcore.h"
#include "ui/calculator/form3.h"
#include "ui/main/form1.h"
#include "ui/main/unitbox.h"
#include "urlrecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>

namespace {

constexpr quint32 kDefaultSeed = 20261208;
// Enough for the suite: with this start value a wrong last digit in any of
// the steps' constants (each tried in turn) fails within 2 300 actions. Long
// runs set ZELVAN_RANDOM_STEPS.
constexpr int kDefaultSteps = 3000;
constexpr int kBoxes = engine::UnitBoxes::kBoxCount;

quint32 seedToUse()
{
    bool ok = false;
    const quint32 startValue = qEnvironmentVariable("ZELVAN_RANDOM_SEED").toUInt(&ok);
    return ok ? startValue : kDefaultSeed;
}

int stepsToRun()
{
    bool ok = false;
    const int steps = qEnvironmentVariable("ZELVAN_RANDOM_STEPS").toInt(&ok);
    return ok && steps > 0 ? steps : kDefaultSteps;
}

// Direct key and mouse delivery warns about every event nobody accepts (each
// key release, every click on a label); thousands of those would drown the log.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("not accepted by receiving widget")))
        return;
    previousHandler(type, context, message);
}

// A key as the keyboard sends it: code, the text it types, modifiers held.
struct Key {
    Qt::Key code;
    const char* text; // UTF-8
    Qt::KeyboardModifiers modifiers;
    int weight;
};

// Weighted towards digits so that numbers get typed; the rest is what fingers
// do around them. The full-width forms are what a Chinese input method types.
// No F1 (the help window) and no Alt (the menus).
const Key kKeys[] = {
    {Qt::Key_0, "0", {}, 5},
    {Qt::Key_1, "1", {}, 5},
    {Qt::Key_2, "2", {}, 5},
    {Qt::Key_3, "3", {}, 5},
    {Qt::Key_4, "4", {}, 5},
    {Qt::Key_5, "5", {}, 5},
    {Qt::Key_6, "6", {}, 5},
    {Qt::Key_7, "7", {}, 5},
    {Qt::Key_8, "8", {}, 5},
    {Qt::Key_9, "9", {}, 5},
    {Qt::Key_Period, ".", {}, 6},
    {Qt::Key_Comma, ",", {}, 6},
    {Qt::Key_Minus, "-", {}, 4},
    {Qt::Key_Plus, "+", Qt::ShiftModifier, 1},
    {Qt::Key_E, "e", {}, 2},
    {Qt::Key_E, "E", Qt::ShiftModifier, 1},
    {Qt::Key_A, "a", {}, 1},
    {Qt::Key_X, "x", {}, 1},
    {Qt::Key_Space, " ", {}, 1},
    {Qt::Key_unknown, "\xEF\xBC\x91", {}, 1}, // full-width 1
    {Qt::Key_unknown, "\xEF\xBC\x95", {}, 1}, // full-width 5
    {Qt::Key_unknown, "\xEF\xBC\x90", {}, 1}, // full-width 0
    {Qt::Key_unknown, "\xEF\xBC\x8E", {}, 1}, // full-width full stop
    {Qt::Key_unknown, "\xEF\xBC\x8C", {}, 1}, // full-width comma
    {Qt::Key_unknown, "\xEF\xBC\x8D", {}, 1}, // full-width minus
    {Qt::Key_unknown, "\xE3\x80\x80", {}, 1}, // ideographic space
    {Qt::Key_Backspace, "", {}, 8},
    {Qt::Key_Delete, "", {}, 3},
    {Qt::Key_Left, "", {}, 2},
    {Qt::Key_Right, "", {}, 2},
    {Qt::Key_Up, "", {}, 1},
    {Qt::Key_Home, "", {}, 2},
    {Qt::Key_End, "", {}, 2},
    {Qt::Key_Left, "", Qt::ShiftModifier, 1},
    {Qt::Key_Home, "", Qt::ShiftModifier, 1},
    {Qt::Key_Shift, "", {}, 3},
    {Qt::Key_Control, "", {}, 1},
    {Qt::Key_Escape, "", {}, 1},
    {Qt::Key_F2, "", {}, 1},
    {Qt::Key_A, "", Qt::ControlModifier, 2},
    {Qt::Key_Z, "", Qt::ControlModifier, 1},
    {Qt::Key_X, "", Qt::ControlModifier, 1},
    {Qt::Key_C, "", Qt::ControlModifier, 1},
    {Qt::Key_Tab, "\t", {}, 3},
    {Qt::Key_Backtab, "", Qt::ShiftModifier, 2},
};

// What goes onto the clipboard before a paste, glued from a few of these.
const char* const kJunk[] = {
    "1",
    "42",
    "-3",
    "0",
    "5.",
    ".5",
    "2,5",
    "1e3",
    "1E-4",
    "-0",
    "+7",
    "e",
    " ",
    "\t",
    "abc",
    "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95", // full-width 12.5
    "\xE2\x88\x92\x32", // minus sign, 2
    "99999999999999999999",
    "1e308",
    "1e400",
    "1e-400",
    "0.000004",
    "inf",
    "nan",
    "0x10",
    "--",
    "..",
    ",,",
    "\n",
    "\xE5\x8D\x83\xE5\x85\x8B",
};

enum class Press { Digit, Point, Operator, ClearEntry, Equals };

// The calculator's keypad by control name.
struct CalculatorButton {
    const char* name;
    Press press;
    int value; // the digit, or the operation
    int weight;
};

using Op = CalculatorCore::Operation;
constexpr CalculatorButton kCalculatorButtons[] = {
    {"Command14", Press::Digit, '0', 4},
    {"Command1", Press::Digit, '1', 4},
    {"Command2", Press::Digit, '2', 4},
    {"Command3", Press::Digit, '3', 4},
    {"Command4", Press::Digit, '4', 4},
    {"Command5", Press::Digit, '5', 4},
    {"Command6", Press::Digit, '6', 4},
    {"Command7", Press::Digit, '7', 4},
    {"Command8", Press::Digit, '8', 4},
    {"Command9", Press::Digit, '9', 4},
    {"Command17", Press::Point, 0, 4},
    {"Command10", Press::Operator, int(Op::Add), 3},
    {"Command11", Press::Operator, int(Op::Subtract), 3},
    {"Command12", Press::Operator, int(Op::Multiply), 3},
    {"Command13", Press::Operator, int(Op::Divide), 3},
    {"Command15", Press::Operator, int(Op::Remainder), 2},
    {"Command18", Press::Operator, int(Op::IntegerDivide), 2},
    {"c", Press::ClearEntry, 0, 2},
    {"Command16", Press::Equals, 0, 8},
};

enum class Action {
    Key,
    ClickBox,
    Paste,
    InputMethod,
    Enter,
    Clear,
    CalculatorPair,
    Label,
    Minimise,
    CalculatorButton,
    CalculatorTyping,
    CloseCalculator,
};

struct ActionWeight {
    Action action;
    int weight;
};

constexpr ActionWeight kActions[] = {
    {Action::Key, 560},
    {Action::ClickBox, 80},
    {Action::Paste, 50},
    {Action::InputMethod, 15},
    {Action::Enter, 12},
    {Action::Clear, 12},
    {Action::CalculatorPair, 30},
    {Action::Label, 20},
    {Action::Minimise, 8},
    {Action::CalculatorButton, 150},
    {Action::CalculatorTyping, 40},
    {Action::CloseCalculator, 8},
};

// What one unit in a source box makes in a target box, written out here from
// the plant's constants instead of read from the engine's table, so that a
// wrong digit on either side makes the two disagree. Each product keeps its
// step's order of factors; where the engine's rounding of the product
// differs, it is by far less than the check's tolerance.
struct PerUnit {
    int source;
    int target;
    double factor;
};

// clang-format off
constexpr PerUnit kPerUnit[] = {
    // Tension: kgf/cm (1), pound/inch (2), N/mm (3).
    {1, 2, 2.54 * 2.205}, {1, 3, 9.807 / 10},
    {2, 1, 0.393701 * 0.453515}, {2, 3, 0.393701 * 0.453515 * 0.9807},
    {3, 1, 10 * 0.102041}, {3, 2, 0.102041 * 25.4 * 2.205},
    // Thickness: um (6), microinch (5), mil (4), copper-foil ounce (7, 35 um).
    {6, 5, 39.37}, {6, 4, 0.03937}, {6, 7, 0.028571},
    {5, 4, 0.001}, {5, 6, 0.0254}, {5, 7, 0.028571 * 0.0254},
    {4, 6, 25.4}, {4, 5, 1000}, {4, 7, 0.028571 * 25.4},
    {7, 4, 0.03937 * 35}, {7, 5, 39.37 * 35}, {7, 6, 35},
    // Length: m (8), mm (9), ft (10), inch (11), mil (12).
    {8, 9, 1000}, {8, 10, 1000 * 0.003281}, {8, 11, 1000 * 0.03937}, {8, 12, 1000 * 0.03937 * 1000},
    {9, 8, 0.001}, {9, 10, 0.003281}, {9, 11, 0.03937}, {9, 12, 0.03937 * 1000},
    {10, 8, 304.8 / 1000}, {10, 9, 304.8}, {10, 11, 12}, {10, 12, 12000},
    {11, 8, 25.4 / 1000}, {11, 9, 25.4}, {11, 10, 0.0833333}, {11, 12, 1000},
    {12, 8, 25.4 / 1000000}, {12, 9, 25.4 / 1000}, {12, 10, 0.0833333 / 1000}, {12, 11, 0.001},
    // Area: square ft (13), square inch (14), square m (15), square cm (16).
    {13, 14, 144}, {13, 15, 0.3048 * 0.3048}, {13, 16, 0.3048 * 0.3048 * 10000},
    {14, 13, 0.0069444}, {14, 15, 0.00064516}, {14, 16, 0.00064516 * 10000},
    {15, 13, 10.76391}, {15, 14, 10.76391 * 144}, {15, 16, 10000},
    {16, 13, 0.00107639}, {16, 14, 0.155}, {16, 15, 0.0001},
    // Current density: ASF (17), ASD (18), each way with its own constant.
    {17, 18, 0.107639}, {18, 17, 9.290313},
    // Flow: LPM (19), GPM (20), LPH (23); 3.785324 litres per gallon.
    {19, 20, 1 / 3.785324}, {19, 23, 60},
    {20, 19, 3.785324}, {20, 23, 3.785324 * 60},
    {23, 19, 1 / 60.0}, {23, 20, 1 / 60.0 / 3.785324},
    // Pressure: kgf/cm2 (21), PSI (22), bar (33), MPa (34), mmHg (35).
    {21, 22, 14.2233}, {21, 33, 0.981}, {21, 34, 0.0981}, {21, 35, 735.499},
    {22, 21, 0.070307}, {22, 33, 0.070307 * 0.981}, {22, 34, 0.070307 * 0.0981},
    {22, 35, 0.070307 * 735.499},
    {33, 21, 1 / 0.981}, {33, 22, 14.2233 / 0.981}, {33, 34, 0.1}, {33, 35, 735.499 / 0.981},
    {34, 21, 1 / 0.0981}, {34, 22, 14.2233 / 0.0981}, {34, 33, 10}, {34, 35, 735.499 / 0.0981},
    {35, 21, 1 / 735.499}, {35, 22, 14.2233 / 735.499}, {35, 33, 0.981 / 735.499},
    {35, 34, 0.0981 / 735.499},
    // Plating consumables: copper (24 to 27), nickel (25 to 26), tin (28 to
    // 29), gold (30 to 31) and gold salt at 52 % gold (30 to 32).
    {24, 27, 1.186}, {25, 26, 1.095}, {28, 29, 2.2133}, {30, 31, 2.4506}, {30, 32, 2.4506 / 0.52},
};
// clang-format on

std::optional<double> perUnit(int source, int target)
{
    for (const PerUnit& row : kPerUnit)
        if (row.source == source && row.target == target)
            return row.factor;
    return std::nullopt;
}

// What the test knows of a box's text.
enum class Shown {
    Cleared, // empty since the clear command (or since the start)
    Slot, // last written by a rule: its slot, rounded by the pattern
    User, // typed, pasted or edited by the user since it was last written
};

std::optional<double> parseDouble(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

class TestRandomGui : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void randomActions_data();
    void randomActions();
};

namespace {

// One main window, its calculator, and what the test expects of both.
class Session {
public:
    Session(quint32 startValue, const QString& separator);

    bool start();
    // One random action and every check after it: empty when all held.
    QString step();
    // The checks that may have to wait for the system: empty when all held.
    QString finish();
    QString recentActions() const;
    // How often each kind of action and each value check ran.
    QString tally() const;

private:
    int below(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }
    template <typename T> const T& weighted(std::span<const T> choices);
    void log(const QString& what);

    QString name(int n) const { return QStringLiteral("Text%1").arg(n); }
    int boxNumber(const QWidget* widget) const;
    QLineEdit* focusedBox();
    void sendKey(QWidget* target, const Key& key);

    void typeKey();
    QLineEdit* clickBox();
    void paste();
    void inputMethod();
    void pressEnter();
    void clickClear();
    void clickCalculatorPair();
    void clickLabel();
    void minimiseOrRestore();
    void clickCalculatorButton();
    void typeIntoDisplay();
    void closeCalculator();

    QString checkBoxes(const std::array<QString, kBoxes + 1>& before);
    QString checkPartner(const engine::Step& step, const QString& was, Shown wasShown);
    QString checkWindows();
    QString boxesNow() const;
    QString patternProblem(const QString& text, int decimals) const;
    std::optional<double> strictNumber(const QString& text) const;
    bool cannotBeNumber(const QString& text) const;

    std::mt19937 m_rng;
    QString m_separator;
    UrlRecorder m_urls;
    std::unique_ptr<Form1> m_window;
    QPointer<Form1> m_windowAlive;
    // The calculator window, from the first click that makes it.
    QPointer<Form3> m_calculator;
    bool m_calculatorMade = false;
    std::array<QLineEdit*, kBoxes + 1> m_boxes{};
    std::array<Shown, kBoxes + 1> m_shown{};
    // The decimals of the step that last wrote each box.
    std::array<int, kBoxes + 1> m_writtenDecimals{};
    // The most decimals any step shows in each target box; 0 for boxes no rule writes.
    std::array<int, kBoxes + 1> m_maxDecimals{};

    CalculatorCore m_core;
    bool m_calculatorShown = false;
    bool m_calculatorPairOn = false;
    int m_expectedUrls = 0;

    // The current action's traces.
    std::array<bool, kBoxes + 1> m_pressed{};
    int m_releasedIn = 0; // the box with a rule that got the key release
    bool m_cleared = false;
    int m_enterBox = 0; // the box Enter was pressed in
    QString m_actionProblem;
    int m_step = 0;
    std::deque<QString> m_recent;

    std::array<int, std::size(kActions)> m_actionCount{};
    int m_valueChecks = 0;
    int m_slotChecks = 0;
};

Session::Session(quint32 startValue, const QString& separator)
    : m_rng(startValue)
    , m_separator(separator)
    , m_core(separator.toStdString())
{
    m_shown.fill(Shown::Cleared);
    for (const engine::Step& step : engine::allSteps())
        m_maxDecimals[step.target] = std::max(m_maxDecimals[step.target], step.decimals);
}

bool Session::start()
{
    // An address nothing answers on; the browser engine is not loaded here.
    m_window = std::make_unique<Form1>(QStringLiteral("127.0.0.1:9"), m_separator);
    m_windowAlive = m_window.get();
    for (int n = 1; n <= kBoxes; ++n) {
        m_boxes[n] = m_window->findChild<QLineEdit*>(name(n));
        if (!m_boxes[n])
            return false;
    }
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get());
}

template <typename T> const T& Session::weighted(std::span<const T> choices)
{
    int total = 0;
    for (const T& c : choices)
        total += c.weight;
    int ticket = below(total);
    for (const T& c : choices) {
        if (ticket < c.weight)
            return c;
        ticket -= c.weight;
    }
    return choices.back();
}

void Session::log(const QString& what)
{
    m_recent.push_back(QStringLiteral("  %1: %2").arg(m_step).arg(what));
    if (m_recent.size() > 12)
        m_recent.pop_front();
}

QString Session::recentActions() const
{
    QStringList lines(m_recent.begin(), m_recent.end());
    return lines.join('\n');
}

QString Session::tally() const
{
    static const char* const names[] = {
        "keys",         "box clicks",        "pastes",       "input-method texts", "Enters",
        "clears",       "calculator on/off", "label clicks", "minimise/restore",   "calculator buttons",
        "display keys", "calculator closes"};
    static_assert(std::size(names) == std::size(kActions));
    QStringList parts;
    for (std::size_t i = 0; i < std::size(names); ++i)
        parts << QStringLiteral("%1 %2").arg(m_actionCount[i]).arg(QLatin1String(names[i]));
    return parts.join(QStringLiteral(", "))
           + QStringLiteral("; %1 partners checked against their factors, %2 against their slots")
                 .arg(m_valueChecks)
                 .arg(m_slotChecks);
}

int Session::boxNumber(const QWidget* widget) const
{
    for (int n = 1; n <= kBoxes; ++n)
        if (m_boxes[n] == widget)
            return n;
    return 0;
}

// The box the keyboard is in; when the focus is elsewhere (a button after
// Tab), the user clicks a box first.
QLineEdit* Session::focusedBox()
{
    if (const int n = boxNumber(m_window->focusWidget()))
        return m_boxes[n];
    QLineEdit* box = clickBox();
    if (m_window->focusWidget() != box) {
        m_actionProblem = QStringLiteral("a click on %1 left the focus elsewhere").arg(box->objectName());
        box->setFocus();
    }
    return box;
}

// The press goes where the focus is; the release to where the focus is
// afterwards, as Tab moves it in between.
void Session::sendKey(QWidget* target, const Key& key)
{
    const QString text = QString::fromUtf8(key.text);
    if (const int n = boxNumber(target))
        m_pressed[n] = true;
    QTest::sendKeyEvent(QTest::Press, target, key.code, text, key.modifiers);
    QWidget* released = target->window()->focusWidget();
    if (!released)
        released = target;
    QTest::sendKeyEvent(QTest::Release, released, key.code, text, key.modifiers);
    if (released != target)
        log(QStringLiteral("  released in %1").arg(released->objectName()));
    const int n = boxNumber(released);
    if (n && qobject_cast<UnitBox*>(released) && !engine::rule(n).empty())
        m_releasedIn = n;
}

QString keyName(const Key& key)
{
    QString text = QString::fromUtf8(key.text);
    if (!text.isEmpty() && text != QLatin1String("\t") && key.modifiers == Qt::NoModifier)
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    return QKeySequence(key.code | key.modifiers).toString();
}

void Session::typeKey()
{
    QLineEdit* box = focusedBox();
    const Key& key = weighted(std::span<const Key>(kKeys));
    log(QStringLiteral("key %1 in %2").arg(keyName(key), box->objectName()));
    sendKey(box, key);
}

QLineEdit* Session::clickBox()
{
    QLineEdit* box = m_boxes[1 + below(kBoxes)];
    const QPoint at(below(box->width()), below(box->height()));
    const bool twice = below(5) == 0;
    log(QStringLiteral("%1 on %2").arg(twice ? "double click" : "click", box->objectName()));
    if (twice)
        QTest::mouseDClick(box, Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
    return box;
}

void Session::paste()
{
    QLineEdit* box = focusedBox();
    QString junk;
    for (int parts = 1 + below(3); parts > 0; --parts)
        junk += QString::fromUtf8(kJunk[below(static_cast<int>(std::size(kJunk)))]);
    QGuiApplication::clipboard()->setText(junk);
    log(QStringLiteral("paste \"%1\" in %2").arg(junk, box->objectName()));
    sendKey(box, Key{Qt::Key_V, "", Qt::ControlModifier, 1});
}

// An input method commits its text without any key event, so no rule runs.
void Session::inputMethod()
{
    QLineEdit* box = focusedBox();
    const QString text = QString::fromUtf8(kJunk[below(static_cast<int>(std::size(kJunk)))]);
    // The platform talks only to widgets that take input-method text; a
    // read-only box does not.
    if (!box->testAttribute(Qt::WA_InputMethodEnabled)) {
        log(QStringLiteral("no input method in %1").arg(box->objectName()));
        return;
    }
    log(QStringLiteral("input method commits \"%1\" in %2").arg(text, box->objectName()));
    m_pressed[boxNumber(box)] = true;
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

void Session::pressEnter()
{
    QLineEdit* box = focusedBox();
    const bool keypad = below(2) == 0;
    log(QStringLiteral("%1 in %2").arg(keypad ? "Enter" : "Return", box->objectName()));
    m_cleared = true;
    m_enterBox = boxNumber(box);
    QTest::keyClick(box, keypad ? Qt::Key_Enter : Qt::Key_Return);
}

void Session::clickClear()
{
    log(QStringLiteral("click Command1"));
    m_cleared = true;
    QTest::mouseClick(m_window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

void Session::clickCalculatorPair()
{
    auto* on = m_window->findChild<QPushButton*>("Command2");
    auto* off = m_window->findChild<QPushButton*>("Command3");
    QPushButton* shown = on->isVisibleTo(m_window.get()) ? on : off;
    log(QStringLiteral("click %1").arg(shown->objectName()));
    QTest::mouseClick(shown, Qt::LeftButton);
    m_calculatorPairOn = shown == on;
    m_calculatorShown = shown == on;
}

void Session::clickLabel()
{
    QList<QLabel*> labels;
    for (QLabel* label : m_window->findChildren<QLabel*>())
        if (label->isVisibleTo(m_window.get()))
            labels << label;
    QLabel* label = labels.at(below(static_cast<int>(labels.size())));
    log(QStringLiteral("click %1").arg(label->objectName()));
    // The small banner picture and the "bar" unit label open the maker's site.
    if (label->objectName() == QLatin1String("Image2") || label->objectName() == QLatin1String("Label37"))
        ++m_expectedUrls;
    QTest::mouseClick(label, Qt::LeftButton);
}

void Session::minimiseOrRestore()
{
    log(m_window->isMinimized() ? QStringLiteral("restore") : QStringLiteral("minimise"));
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->showMinimized();
    // Every minimise and restore hides the calculator and resets both pairs.
    m_calculatorShown = false;
    m_calculatorPairOn = false;
}

void Session::clickCalculatorButton()
{
    const CalculatorButton& key = weighted(std::span<const CalculatorButton>(kCalculatorButtons));
    auto* button = m_calculator->findChild<QPushButton*>(QLatin1String(key.name));
    log(QStringLiteral("calculator %1 \"%2\"").arg(QLatin1String(key.name), button->text()));
    QTest::mouseClick(button, Qt::LeftButton);
    switch (key.press) {
    case Press::Digit: m_core.pressDigit(static_cast<char>(key.value)); break;
    case Press::Point: m_core.pressPoint(); break;
    case Press::Operator: m_core.pressOperator(static_cast<Op>(key.value)); break;
    case Press::ClearEntry: m_core.pressClearEntry(); break;
    case Press::Equals: m_core.pressEquals(); break;
    }
}

void Session::typeIntoDisplay()
{
    auto* display = m_calculator->findChild<QLineEdit*>("Text1");
    if (m_calculator->focusWidget() != display) {
        log(QStringLiteral("click the calculator display"));
        QTest::mouseClick(display, Qt::LeftButton);
    }
    const Key& key = weighted(std::span<const Key>(kKeys));
    log(QStringLiteral("key %1 in the calculator display").arg(keyName(key)));
    sendKey(display, key);
    m_core.setDisplay(display->text().toStdString());
}

// Through the window system, as the title bar's close box does.
void Session::closeCalculator()
{
    log(QStringLiteral("close the calculator window"));
    m_calculator->windowHandle()->close();
    // Its display comes back empty; the pair keeps showing "Calculator Off".
    m_core.setDisplay("");
    m_calculatorShown = false;
}

QString Session::step()
{
    ++m_step;
    std::array<QString, kBoxes + 1> before;
    for (int n = 1; n <= kBoxes; ++n)
        before[n] = m_boxes[n]->text();
    m_pressed.fill(false);
    m_releasedIn = 0;
    m_cleared = false;
    m_enterBox = 0;
    m_actionProblem.clear();

    // A minimised window offers nothing but its restoring.
    Action action =
        m_window->isMinimized() ? Action::Minimise : weighted(std::span<const ActionWeight>(kActions)).action;
    const bool calculatorOnScreen = m_calculator && m_calculator->isVisible();
    if (!calculatorOnScreen
        && (action == Action::CalculatorButton || action == Action::CalculatorTyping
            || action == Action::CloseCalculator))
        action = Action::Key;

    ++m_actionCount[static_cast<std::size_t>(action)];
    switch (action) {
    case Action::Key: typeKey(); break;
    case Action::ClickBox: static_cast<void>(clickBox()); break;
    case Action::Paste: paste(); break;
    case Action::InputMethod: inputMethod(); break;
    case Action::Enter: pressEnter(); break;
    case Action::Clear: clickClear(); break;
    case Action::CalculatorPair: clickCalculatorPair(); break;
    case Action::Label: clickLabel(); break;
    case Action::Minimise: minimiseOrRestore(); break;
    case Action::CalculatorButton: clickCalculatorButton(); break;
    case Action::CalculatorTyping: typeIntoDisplay(); break;
    case Action::CloseCalculator: closeCalculator(); break;
    }
    QCoreApplication::processEvents();

    QString problem = m_actionProblem;
    if (problem.isEmpty())
        problem = checkWindows();
    if (problem.isEmpty())
        problem = checkBoxes(before);
    if (!problem.isEmpty())
        problem += QStringLiteral("\nboxes now: ") + boxesNow();
    return problem;
}

QString Session::boxesNow() const
{
    QStringList shown;
    for (int n = 1; n <= kBoxes; ++n)
        if (!m_boxes[n]->text().isEmpty())
            shown << QStringLiteral("%1 \"%2\"").arg(name(n), m_boxes[n]->text());
    return shown.isEmpty() ? QStringLiteral("all empty") : shown.join(QStringLiteral(", "));
}

// "0.#####": an optional minus, the integer digits without a leading zero,
// the separator, at most `decimals` digits after it and no trailing zero;
// never an exponent, never a negative zero.
QString Session::patternProblem(const QString& text, int decimals) const
{
    const qsizetype sep = text.indexOf(m_separator);
    if (sep < 0 || text.indexOf(m_separator, sep + 1) >= 0)
        return QStringLiteral("not one separator");
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString whole = text.mid(negative ? 1 : 0, sep - (negative ? 1 : 0));
    const QString fraction = text.mid(sep + m_separator.size());
    const auto allDigits = [](const QString& s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= '0' && c <= '9'; });
    };
    if (whole.isEmpty() || !allDigits(whole) || !allDigits(fraction))
        return QStringLiteral("not digits around the separator");
    if (whole.size() > 1 && whole.front() == QLatin1Char('0'))
        return QStringLiteral("a leading zero");
    if (fraction.size() > decimals)
        return QStringLiteral("more than %1 decimals").arg(decimals);
    if (fraction.endsWith(QLatin1Char('0')))
        return QStringLiteral("a trailing zero");
    if (negative && whole == QLatin1String("0") && fraction.isEmpty())
        return QStringLiteral("a negative zero");
    return {};
}

// Plain ASCII number text the way anyone would read it ("-12", "3.", ".5",
// "1e3" with a full-stop separator); nullopt for anything less plain.
std::optional<double> Session::strictNumber(const QString& text) const
{
    // Rebuilt as the C locale's number text, for std::from_chars.
    std::string ascii;
    qsizetype i = 0;
    const auto isDigit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            ascii += '-';
        ++i;
    }
    int digits = 0;
    for (; isDigit(); ++i, ++digits)
        ascii += text[i].toLatin1();
    if (QStringView(text).mid(i).startsWith(m_separator)) {
        ascii += '.';
        for (i += m_separator.size(); isDigit(); ++i, ++digits)
            ascii += text[i].toLatin1();
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ascii += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ascii += text[i++].toLatin1();
        const qsizetype exponent = i;
        for (; isDigit(); ++i)
            ascii += text[i].toLatin1();
        if (i == exponent)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return parseDouble(ascii);
}

// Text no number reader can take: no digit at all, or a character that has
// no place in number text (after the full-width forms are read as ASCII).
bool Session::cannotBeNumber(const QString& text) const
{
    static const QString fullWidth = QString::fromUtf8("０１２３４５６７８９＋－ｅＥ　−");
    const QString fullWidthSeparator =
        m_separator == QLatin1String(",") ? QString::fromUtf8("，") : QString::fromUtf8("．");
    bool digit = false;
    for (const QChar c : text) {
        if ((c >= '0' && c <= '9') || (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19))
            digit = true;
        else if (!QStringLiteral("+-eE \t").contains(c) && !m_separator.contains(c) && !fullWidth.contains(c)
                 && c != fullWidthSeparator.front())
            return true;
    }
    return !digit;
}

// A partner just rewritten by the rule of the box that got the key release.
QString Session::checkPartner(const engine::Step& step, const QString& was, Shown wasShown)
{
    const QString source = m_boxes[step.source]->text();
    const QString now = m_boxes[step.target]->text();
    const QString where = QStringLiteral("after a key release in %1 (\"%2\"), %3 shows \"%4\"")
                              .arg(name(step.source), source, name(step.target), now);
    if (!now.isEmpty()) {
        if (const QString problem = patternProblem(now, step.decimals); !problem.isEmpty())
            return where + QStringLiteral(": ") + problem;
    }

    if (const auto x = strictNumber(source)) {
        // Near the largest doubles a chain may overflow halfway (times 25.4
        // before over 1000000), as the product here does not: that end is
        // tst_unitboxes' concern.
        const double y = *x * perUnit(step.source, step.target).value_or(0);
        if (std::abs(*x) <= 1e300 && std::isfinite(y)) {
            ++m_valueChecks;
            QString shown = now;
            const auto v = parseDouble(shown.replace(m_separator, QStringLiteral(".")).toStdString());
            // Rounding to the pattern's decimals, after 15 significant digits.
            const double tolerance = 0.5 * std::pow(10.0, -step.decimals) * (1 + 1e-9) + std::abs(y) * 1e-13;
            if (!v || std::abs(*v - y) > tolerance)
                return where + QStringLiteral(", expected about %1").arg(y, 0, 'g', 17);
        }
    } else if (cannotBeNumber(source) && wasShown == Shown::Slot) {
        // A failed conversion shows the partner's slot again: what it showed.
        ++m_slotChecks;
        const bool same = m_writtenDecimals[step.target] == step.decimals
                              ? now == was
                              : std::abs(QString(now).replace(m_separator, ".").toDouble()
                                         - QString(was).replace(m_separator, ".").toDouble())
                                    <= 0.5e-5 + 0.5e-6;
        if (!same)
            return where + QStringLiteral(", but it showed \"%1\" from its slot").arg(was);
    }
    return {};
}

QString Session::checkBoxes(const std::array<QString, kBoxes + 1>& before)
{
    std::array<const engine::Step*, kBoxes + 1> rewritten{};
    for (const engine::Step& step : engine::rule(m_cleared ? m_enterBox : m_releasedIn))
        rewritten[step.target] = &step;

    for (int n = 1; n <= kBoxes; ++n) {
        const QString now = m_boxes[n]->text();
        const QString& was = before[n];
        const Shown wasShown = m_shown[n];
        if (m_cleared) {
            // Everything empty, but for the group of the box Enter was
            // pressed in: its release may run the rule, which refills the
            // partners from their slots.
            if (rewritten[n] && !now.isEmpty()) {
                if (const QString problem = patternProblem(now, rewritten[n]->decimals); !problem.isEmpty())
                    return QStringLiteral("after Enter in %1, %2 shows \"%3\": %4")
                        .arg(name(m_enterBox), name(n), now, problem);
                m_shown[n] = Shown::Slot;
                m_writtenDecimals[n] = rewritten[n]->decimals;
            } else if (!now.isEmpty()) {
                return QStringLiteral("%1 shows \"%2\" after the clear command").arg(name(n), now);
            } else {
                m_shown[n] = Shown::Cleared;
            }
        } else if (rewritten[n]) {
            if (QString problem = checkPartner(*rewritten[n], was, wasShown); !problem.isEmpty())
                return problem;
            m_shown[n] = Shown::Slot;
            m_writtenDecimals[n] = rewritten[n]->decimals;
        } else if (now != was) {
            if (!m_pressed[n])
                return QStringLiteral("%1 changed from \"%2\" to \"%3\", though no rule of its group ran")
                    .arg(name(n), was, now);
            if (m_boxes[n]->isReadOnly())
                return QStringLiteral("read-only %1 changed from \"%2\" to \"%3\"").arg(name(n), was, now);
            m_shown[n] = Shown::User;
        }

        if (m_maxDecimals[n] > 0 && m_shown[n] != Shown::User && !now.isEmpty()) {
            if (m_shown[n] == Shown::Cleared)
                return QStringLiteral("%1 shows \"%2\" though it was cleared").arg(name(n), now);
            if (const QString problem = patternProblem(now, m_maxDecimals[n]); !problem.isEmpty())
                return QStringLiteral("%1 shows \"%2\": %3").arg(name(n), now, problem);
        }
    }
    return {};
}

QString Session::checkWindows()
{
    if (!m_windowAlive)
        return QStringLiteral("the main window is gone");
    if (!m_calculatorMade) {
        m_calculator = m_window->calculatorWindow();
        m_calculatorMade = m_calculator;
    }
    if (m_calculatorMade && (!m_calculator || m_window->calculatorWindow() != m_calculator.data()))
        return QStringLiteral("the calculator window is gone or was replaced");

    const auto visible = [this](const char* button) {
        return m_window->findChild<QPushButton*>(QLatin1String(button))->isVisibleTo(m_window.get());
    };
    if (visible("Command2") == visible("Command3"))
        return QStringLiteral("Command2 and Command3 both %1").arg(visible("Command2") ? "shown" : "hidden");
    if (visible("Command4") == visible("Command5"))
        return QStringLiteral("Command4 and Command5 both %1").arg(visible("Command4") ? "shown" : "hidden");
    if (visible("Command3") != m_calculatorPairOn)
        return QStringLiteral("\"Calculator %1\" shows").arg(visible("Command3") ? "Off" : "On");
    if (!visible("Command4"))
        return QStringLiteral("\"WinCalc. Off\" shows, though no system calculator was started");
    const bool calculatorVisible = m_calculator && m_calculator->isVisible();
    if (calculatorVisible != m_calculatorShown)
        return QStringLiteral("the calculator window is %1").arg(calculatorVisible ? "shown" : "hidden");
    if (m_window->webPanel() == nullptr)
        return QStringLiteral("the web panel is gone");
    if (m_calculator) {
        const QString display = m_calculator->findChild<QLineEdit*>("Text1")->text();
        const CalculatorCore& core = m_calculator->core();
        if (display != QString::fromStdString(m_core.display()))
            return QStringLiteral("the calculator shows \"%1\", a calculator fed the same presses \"%2\"")
                .arg(display, QString::fromStdString(m_core.display()));
        if (core.pendingCode() != m_core.pendingCode()
            || std::bit_cast<quint32>(core.firstOperand()) != std::bit_cast<quint32>(m_core.firstOperand())
            || std::bit_cast<quint32>(core.secondOperand()) != std::bit_cast<quint32>(m_core.secondOperand()))
            return QStringLiteral("the calculator holds code %1, %2 and %3; expected code %4, %5 and %6")
                .arg(core.pendingCode())
                .arg(core.firstOperand())
                .arg(core.secondOperand())
                .arg(m_core.pendingCode())
                .arg(m_core.firstOperand())
                .arg(m_core.secondOperand());
    }

    // Windows' shell starts the browser on its own time: an opening too many
    // shows at once, one too few only once the shell has caught up (finish()).
    if (m_urls.opened().size() > m_expectedUrls)
        return QStringLiteral("%1 web-site openings, expected %2").arg(m_urls.opened().size()).arg(m_expectedUrls);
    return {};
}

// Generous: under Wine on a busy machine each opening starts a program.
QString Session::finish()
{
    if (!QTest::qWaitFor([this] { return m_urls.opened().size() == m_expectedUrls; }, 60000))
        return QStringLiteral("%1 web-site openings, expected %2").arg(m_urls.opened().size()).arg(m_expectedUrls);
    return {};
}

} // namespace

void TestRandomGui::initTestCase()
{
    // The factors here and the engine's steps, one for one: a step missing
    // here would go unchecked.
    QCOMPARE(std::size(kPerUnit), engine::allSteps().size());
    for (const engine::Step& step : engine::allSteps())
        QVERIFY2(perUnit(step.source, step.target),
                 qPrintable(QStringLiteral("no factor for Text%1 to Text%2").arg(step.source).arg(step.target)));
    previousHandler = qInstallMessageHandler(quietHandler);
}

// clang-format off
void TestRandomGui::randomActions_data()
{
    QTest::addColumn<QString>("separator");
    QTest::newRow("full-stop separator") << QStringLiteral(".");
    QTest::newRow("comma separator") << QStringLiteral(",");
}
// clang-format on

void TestRandomGui::randomActions()
{
    QFETCH(QString, separator);
    const quint32 startValue = seedToUse();
    const int steps = stepsToRun();
    qInfo("random start value %u, %d steps (ZELVAN_RANDOM_SEED and ZELVAN_RANDOM_STEPS replay a run)", startValue,
          steps);

    Session session(startValue, separator);
    QVERIFY(session.start());
    for (int i = 1; i <= steps; ++i) {
        const QString problem = session.step();
        if (!problem.isEmpty())
            QFAIL(qPrintable(QStringLiteral("random start value %1, step %2: %3\nlast actions:\n%4")
                                 .arg(startValue)
                                 .arg(i)
                                 .arg(problem, session.recentActions())));
    }
    const QString problem = session.finish();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    qInfo("%s", qPrintable(session.tally()));
}

QTEST_MAIN(TestRandomGui)
#include "tst_randomgui.moc"
