// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/form1.h"

#include "ui/main/unitbox.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QLocale>
#include <QScreen>
#include <QStyle>

#include <utility>

namespace {

// Every size of the program icon in the resources, so that the title bar,
// the task bar and the window switcher each pick a sharp one.
QIcon programIcon()
{
    QIcon icon;
    QDirIterator pictures(QStringLiteral(":/icons"), {QStringLiteral("zelvan-*.png")});
    while (pictures.hasNext())
        icon.addFile(pictures.next());
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

    // Minimise and close, no maximise box; the layout keeps the window at
    // exactly the menu bar over the fixed-size client area, at any scale.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowIcon(programIcon());

    connectUnitBoxes();
    centreOnScreen();
}

void Form1::connectUnitBoxes()
{
    for (int n = 1; n <= engine::UnitBoxes::kBoxCount; ++n) {
        auto* box = findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n));
        Q_ASSERT_X(box, "Form1", "form1.ui lacks a unit box");
        m_boxes[n] = box;
        // The plating group's result boxes are plain line edits: only the
        // program writes them, and they own no rule.
        if (auto* unitBox = qobject_cast<UnitBox*>(box))
            connect(unitBox, &UnitBox::keyReleased, this, [this, n] { runRule(n); });
    }
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

void Form1::centreOnScreen()
{
    adjustSize();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
}
