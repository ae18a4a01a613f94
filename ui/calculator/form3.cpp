// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/calculator/form3.h"

#include "ui/common/fonts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

namespace {

using Operation = CalculatorCore::Operation;

struct DigitKey {
    PictureButton* Ui::Form3::*button;
    char digit;
};

constexpr DigitKey digitKeys[] = {
    {&Ui::Form3::Command14, '0'}, {&Ui::Form3::Command1, '1'}, {&Ui::Form3::Command2, '2'}, {&Ui::Form3::Command3, '3'},
    {&Ui::Form3::Command4, '4'},  {&Ui::Form3::Command5, '5'}, {&Ui::Form3::Command6, '6'}, {&Ui::Form3::Command7, '7'},
    {&Ui::Form3::Command8, '8'},  {&Ui::Form3::Command9, '9'},
};

struct OperatorKey {
    PictureButton* Ui::Form3::*button;
    Operation operation;
};

constexpr OperatorKey operatorKeys[] = {
    {&Ui::Form3::Command10, Operation::Add},       {&Ui::Form3::Command11, Operation::Subtract},
    {&Ui::Form3::Command12, Operation::Multiply},  {&Ui::Form3::Command13, Operation::Divide},
    {&Ui::Form3::Command15, Operation::Remainder}, {&Ui::Form3::Command18, Operation::IntegerDivide},
};

// Where the window opens: the client area's top-left, in logical pixels from
// the screen's top-left. Not centred.
constexpr QPoint storedPosition(809, 174);

// Room left for the window frame when a small screen pushes the window back
// inside it; the real frame is unknown until the window is first shown.
constexpr QMargins frameAllowance(8, 32, 8, 8);

} // namespace

Form3::Form3(const QString& decimalSeparator, QWidget* parent)
    : QWidget(parent)
    , m_core(decimalSeparator.toStdString())
{
    ui.setupUi(this);
    applyFractionalPointSizes(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    // An auxiliary window: closing it must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    placeAtStoredPosition();

    for (const auto& key : digitKeys)
        m_digits.addButton(ui.*key.button, key.digit);
    connect(&m_digits, &QButtonGroup::idClicked, this, [this](int digit) {
        m_core.pressDigit(static_cast<char>(digit));
        showDisplay();
    });

    for (const auto& key : operatorKeys)
        m_operators.addButton(ui.*key.button, static_cast<int>(key.operation));
    connect(&m_operators, &QButtonGroup::idClicked, this, [this](int code) {
        m_core.pressOperator(static_cast<Operation>(code));
        showDisplay();
    });

    connect(ui.Command17, &QAbstractButton::clicked, this, [this] {
        m_core.pressPoint();
        showDisplay();
    });
    connect(ui.c, &QAbstractButton::clicked, this, [this] {
        m_core.pressClearEntry();
        showDisplay();
    });
    connect(ui.Command16, &QAbstractButton::clicked, this, [this] {
        m_core.pressEquals();
        showDisplay();
    });

    // Whatever the display holds, typed, pasted or deleted, is what the
    // buttons read.
    connect(ui.Text1, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_core.setDisplay(text.toStdString()); });

    showDisplay();
}

void Form3::unload()
{
    close();
}

// Closing through the window system only hides the object; what the user
// sees next time is a fresh window, while the core's stored values stay.
void Form3::closeEvent(QCloseEvent* event)
{
    m_core.resetDisplay();
    showDisplay();
    ui.Text1->setFocus();
    m_placeOnShow = true;
    event->accept();
}

void Form3::showEvent(QShowEvent* event)
{
    if (m_placeOnShow && !event->spontaneous()) {
        placeAtStoredPosition();
        m_placeOnShow = false;
    }
    QWidget::showEvent(event);
}

void Form3::placeAtStoredPosition()
{
    QRect client(storedPosition, size());
    const QScreen* screen = QGuiApplication::screenAt(storedPosition);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry() - frameAllowance;
        if (client.right() > room.right())
            client.moveRight(room.right());
        if (client.bottom() > room.bottom())
            client.moveBottom(room.bottom());
        if (client.left() < room.left())
            client.moveLeft(room.left());
        if (client.top() < room.top())
            client.moveTop(room.top());
    }
    setGeometry(client);
}

void Form3::showDisplay()
{
    const QString text = QString::fromStdString(m_core.display());
    if (ui.Text1->text() != text)
        ui.Text1->setText(text);
}
