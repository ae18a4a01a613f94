// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The auxiliary windows: the help window (Form2), the about window (Form4)
// and, in module1.h, the routine that opens the maker's web site. Both
// windows are made afresh for every showing and shown modally over the main
// window; they read and change nothing outside themselves.

#include "ui_form2.h"

#include <QDialog>

class Form2 : public QDialog {
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    // Shows a new help window modally over owner and returns once it has been
    // closed; the window is gone by then.
    static void showModal(QWidget* owner);

private:
    Ui::Form2 ui;
};
