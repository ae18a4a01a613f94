// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: eight conversion groups, the clear and calculator
// buttons, the banner, the menus and the web panel along the bottom. The
// layout is form1.ui; the conversions themselves are the engine's, and this
// class only carries texts between the boxes and engine::UnitBoxes.

#include "engine/unitboxes.h"
#include "ui/dialogs/makersite.h"
#include "ui_form1.h"

#include <QMainWindow>
#include <QString>

#include <array>

class QLineEdit;

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // siteHost: the maker's web host, whose advert page the web panel shows.
    // Numbers are read and written with the user locale's decimal separator.
    explicit Form1(QString siteHost = QString::fromUtf8(makersite::kHost), QWidget* parent = nullptr);
    // The same window with a given decimal separator instead of the locale's.
    Form1(QString siteHost, const QString& decimalSeparator, QWidget* parent = nullptr);

    const QString& siteHost() const { return m_siteHost; }

private:
    void connectUnitBoxes();
    // A key release in box number n: the box's text goes to the engine, its
    // rule runs, and the partners it rewrote are shown.
    void runRule(int box);
    void centreOnScreen();

    Ui::Form1 ui;
    QString m_siteHost;
    engine::UnitBoxes m_engine;
    // Text1 to Text35 by their number; element 0 stays empty.
    std::array<QLineEdit*, engine::UnitBoxes::kBoxCount + 1> m_boxes{};
};
