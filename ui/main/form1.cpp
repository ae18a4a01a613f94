// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/form1.h"

#include "platform/webpanel.h"
#include "ui/calculator/form3.h"
#include "ui/common/centring.h"
#include "ui/common/fonts.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form4.h"
#include "ui/dialogs/module1.h"
#include "ui/main/unitbox.h"
#include "zelvan/version.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWindowStateChangeEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLayout>
#include <QLocale>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The program icon in the sizes a title bar, task bar or window switcher
// draws, up to twice 32 px for high-DPI screens. Every size given here is
// decoded and sent to the window system when the window is created, so the
// larger ones (for launchers, installed with the package) are left out.
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/zelvan-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

Form1::Form1(QString siteHost, QWidget* parent)
    : Form1(std::move(siteHost), QLocale::system().decimalPoint(), parent)
{
}

Form1::Form1(QString siteHost, const QString& decimalSeparator, QWidget* parent)
    : QMainWindow(parent)
    , m_siteHost(std::move(siteHost))
    , m_engine(decimalSeparator.toStdString())
{
    ui.setupUi(this);
    applyFractionalPointSizes(this);
    // The form holds the title's wording, the build its version.
    setWindowTitle(windowTitle().arg(QLatin1String(zelvanversion::kVersion)));

    // The client area in the system's colour for window backgrounds (white
    // on most desktops), which Qt calls base; the labels and frames on it
    // inherit it, those with a colour of their own keep theirs.
    QPalette clientArea = ui.centralwidget->palette();
    clientArea.setBrush(QPalette::Window, clientArea.base());
    ui.centralwidget->setPalette(clientArea);
    ui.centralwidget->setAutoFillBackground(true);
    // Frames in the Windows manner, whatever the desktop's style: a thin
    // etched line with the caption set into its top edge.
    if (QStyle* frameStyle = QStyleFactory::create(QStringLiteral("Windows"))) {
        frameStyle->setParent(this);
        for (QGroupBox* frame : findChildren<QGroupBox*>())
            frame->setStyle(frameStyle);
    }

    // Minimise and close, no maximise box; the layout keeps the window at
    // exactly the menu bar over the fixed-size client area, at any scale.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowIcon(programIcon());

    // The browser overhangs the panel's client area by 8 px on every side, so
    // its own border and scroll bars are clipped away and only the inside of
    // the page shows.
    m_webPanel = new platform::WebPanel(ui.Picture1, QStringLiteral("WebBrowser1"), QRect(-8, -8, 625, 129));

    connectUnitBoxes();
    connectCommands();
    adjustSize();
    new CentredOnFirstShow(this);
}

Form1::~Form1() = default;

QUrl Form1::advertUrl() const
{
    return QUrl(QString::fromStdString(makersite::advertUrl(m_siteHost.toStdString())));
}

void Form1::connectUnitBoxes()
{
    // Box N is the form's TextN, taken from the generated form rather than
    // looked up by name: a box missing from form1.ui, or one that is no line
    // edit, fails the build instead of leaving a null pointer to be used.
    const auto boxes = std::to_array<QLineEdit*>(
        {ui.Text1,  ui.Text2,  ui.Text3,  ui.Text4,  ui.Text5,  ui.Text6,  ui.Text7,  ui.Text8,  ui.Text9,
         ui.Text10, ui.Text11, ui.Text12, ui.Text13, ui.Text14, ui.Text15, ui.Text16, ui.Text17, ui.Text18,
         ui.Text19, ui.Text20, ui.Text21, ui.Text22, ui.Text23, ui.Text24, ui.Text25, ui.Text26, ui.Text27,
         ui.Text28, ui.Text29, ui.Text30, ui.Text31, ui.Text32, ui.Text33, ui.Text34, ui.Text35});
    static_assert(std::tuple_size_v<decltype(boxes)> == engine::UnitBoxes::kBoxCount);
    std::copy(boxes.begin(), boxes.end(), m_boxes.begin() + 1);
    for (int n = 1; n <= engine::UnitBoxes::kBoxCount; ++n) {
        QLineEdit* box = m_boxes[n];
        // The plating group's result boxes are plain line edits: only the
        // program writes them, and they own no rule.
        if (auto* unitBox = qobject_cast<UnitBox*>(box))
            connect(unitBox, &UnitBox::keyReleased, this, [this, n] { runRule(n); });
        // Enter in any box is the clear button, as the window's default button
        // would be in a dialog.
        connect(box, &QLineEdit::returnPressed, ui.Command1, &QAbstractButton::click);
        // Two boxes are both "密耳" (thickness and length): a screen reader
        // tells them apart by the group they stand in.
        if (const auto* group = qobject_cast<const QGroupBox*>(box->parentWidget()))
            box->setAccessibleDescription(group->title());
    }
}

void Form1::connectCommands()
{
    connect(ui.Command1, &QAbstractButton::clicked, this, &Form1::clearBoxes);
    connect(ui.Command2, &QAbstractButton::clicked, this, &Form1::showCalculator);
    connect(ui.Command3, &QAbstractButton::clicked, this, &Form1::hideCalculator);
    connect(ui.Command4, &QAbstractButton::clicked, this, &Form1::startSystemCalculator);
    connect(ui.Command5, &QAbstractButton::clicked, this, &Form1::closeSystemCalculator);

    // "关闭" leaves at once: no close event, so the calculator window is not
    // unloaded and a running system calculator stays open.
    connect(ui.close, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
    connect(ui.help, &QAction::triggered, this, [this] { Form2::showModal(this); });
    connect(ui.info, &QAction::triggered, this, [this] { Form4::showModal(this); });

    // The small banner picture and the "bar" label open the maker's site.
    ui.Image2->installEventFilter(this);
    ui.Label37->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == ui.Image2 || watched == ui.Label37) && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        // A click: pressed and released over the control with the left button.
        if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
            OpenLatestVersionPage(m_siteHost.toStdString());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::clearBoxes()
{
    // Box by box, in the order the boxes have always been emptied in.
    static constexpr int kOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                                     19, 20, 22, 21, 23, 24, 27, 25, 26, 28, 29, 30, 31, 32, 33, 34, 35};
    static_assert(std::size(kOrder) == engine::UnitBoxes::kBoxCount);
    for (const int box : kOrder)
        m_boxes[box]->clear();
    m_engine.clear();
}

Form3& Form1::calculator()
{
    if (!m_calculator)
        m_calculator = std::make_unique<Form3>(QString::fromStdString(m_engine.numberText().separator()));
    return *m_calculator;
}

void Form1::showCalculator()
{
    calculator().show();
    swapPair(ui.Command2, ui.Command3, Order::ShowFirst);
}

void Form1::hideCalculator()
{
    calculator().hide();
    swapPair(ui.Command3, ui.Command2, Order::ShowFirst);
}

void Form1::swapPair(QAbstractButton* leaving, QAbstractButton* coming, Order order)
{
    // The button leaving would hand the keyboard focus to the next control
    // in the Tab order, the web page; the one taking its place gets it.
    const bool hadFocus = leaving->hasFocus();
    if (order == Order::ShowFirst) {
        coming->show();
        leaving->hide();
    } else {
        leaving->hide();
        coming->show();
    }
    if (hadFocus)
        coming->setFocus(Qt::OtherFocusReason);
}

void Form1::startSystemCalculator()
{
    const platform::CalculatorStart started = m_systemCalculator.start();
    if (started.error != platform::CalculatorError::None) {
        // The buttons stay as they were and the program goes on.
        const QString program = QString::fromStdString(started.program);
        const QString reason = started.error == platform::CalculatorError::NotInstalled
                                   ? QStringLiteral("没有找到计算器程序（%1）").arg(program)
                                   : QStringLiteral("%1 无法运行").arg(program);
        QMessageBox::warning(this, windowTitle(), QStringLiteral("无法启动系统计算器\n%1").arg(reason));
        return;
    }
    swapPair(ui.Command4, ui.Command5, Order::HideFirst);
}

void Form1::closeSystemCalculator()
{
    swapPair(ui.Command5, ui.Command4, Order::HideFirst);
    m_systemCalculator.closeOne();
}

void Form1::resetButtonPairs()
{
    // A calculator window not made yet is as good as hidden; making it here
    // would put its building before the window's first appearance.
    if (m_calculator)
        m_calculator->hide();
    swapPair(ui.Command3, ui.Command2, Order::ShowFirst);
    swapPair(ui.Command5, ui.Command4, Order::HideFirst);
    m_webPanel->navigate(advertUrl());
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        resetButtonPairs();
    }
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimised = change->oldState().testFlag(Qt::WindowMinimized);
    if (wasMinimised != isMinimized())
        resetButtonPairs();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing the window ends the program: the calculator window goes with
    // it, and one system calculator is asked to close.
    if (m_calculator)
        m_calculator->unload();
    m_systemCalculator.closeOne();
    event->accept();
}

void Form1::runRule(int box)
{
    m_engine.setText(box, m_boxes[box]->text().toStdString());
    for (const int partner : m_engine.keyUp(box)) {
        QLineEdit* shown = m_boxes[partner];
        shown->setText(QString::fromStdString(m_engine.text(partner)));
        // Show a value from its first digit: when it is wider than the box
        // (the narrow plating results), its last decimals are what is hidden.
        shown->setCursorPosition(0);
    }
}
