// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_form4.h"

#include <QDialog>

#include <array>

// The about window: version, notice, contact and site lines, and the button
// that opens the maker's web site. A click on the bare window, the notice or
// the contact line closes it; the other lines are plain text.
class Form4 : public QDialog {
    Q_OBJECT

public:
    explicit Form4(QWidget* parent = nullptr);

    // Shows a new about window modally over owner and returns once it has
    // been closed; the window is gone by then.
    static void showModal(QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Ui::Form4 ui;
    // The labels whose click closes the window: the notice and the contact line.
    std::array<QLabel*, 2> m_closingLabels{};
};
