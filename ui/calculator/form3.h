// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/calculatorcore.h"
#include "ui_form3.h"

#include <QButtonGroup>
#include <QWidget>

// The calculator window: a thin adapter between the form's keypad and
// display and a CalculatorCore. One object lives for the whole run. Hiding
// keeps everything; closing it through the window system hides it too and
// empties the display, as if its controls were created afresh, while the
// pending operation and both operands survive for the next showing.
class Form3 : public QWidget {
    Q_OBJECT

public:
    // The decimal separator is the user locale's; the point button writes it
    // and the display is read and written with it.
    explicit Form3(const QString& decimalSeparator, QWidget* parent = nullptr);

    // The main window's exit: closes the window for good.
    void unload();

    const CalculatorCore& core() const { return m_core; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeAtStoredPosition();
    void showDisplay();

    Ui::Form3 ui;
    CalculatorCore m_core;
    QButtonGroup m_digits;
    QButtonGroup m_operators;
    bool m_placeOnShow = false;
};
