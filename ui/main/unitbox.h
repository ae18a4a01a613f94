// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// A unit box of the main window: a line edit that reports every key release
// typed into it, whatever the key (Shift, arrows, the Tab that brought the
// focus here...). Setting its text from code reports nothing, so conversions
// written into a box never start another one.
class UnitBox : public QLineEdit {
    Q_OBJECT

public:
    explicit UnitBox(QWidget* parent = nullptr);

signals:
    void keyReleased();

protected:
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};
