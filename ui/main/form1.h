// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: eight conversion groups, the clear and calculator
// buttons, the banner, the menus and the web panel along the bottom. The
// layout is form1.ui; the conversions themselves are the engine's, and this
// class only carries texts between the boxes and engine::UnitBoxes.

#include "engine/unitboxes.h"
#include "platform/systemcalculator.h"
#include "ui/common/makersite.h"
#include "ui_form1.h"

#include <QMainWindow>
#include <QString>
#include <QUrl>

#include <array>
#include <memory>

class Form3;
class QAbstractButton;
class QLineEdit;

namespace platform {
class WebPanel;
}

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // siteHost: the maker's web host, whose advert page the web panel shows.
    // Numbers are read and written with the user locale's decimal separator.
    explicit Form1(QString siteHost = QString::fromUtf8(makersite::kHost), QWidget* parent = nullptr);
    // The same window with a given decimal separator instead of the locale's.
    Form1(QString siteHost, const QString& decimalSeparator, QWidget* parent = nullptr);

    ~Form1() override;

    const QString& siteHost() const { return m_siteHost; }
    // The advert page shown in the web panel: http://<host>/guanggao54.html.
    QUrl advertUrl() const;
    // The calculator window once it exists (from its first "On"), else nullptr.
    Form3* calculatorWindow() const { return m_calculator.get(); }
    platform::WebPanel* webPanel() const { return m_webPanel; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectUnitBoxes();
    void connectCommands();
    // The clear button (and Enter in any box): empties all 35 boxes; the
    // result slots keep their values and the focus stays where it is.
    void clearBoxes();
    void showCalculator();
    void hideCalculator();
    // The two buttons of a stacked pair change places: coming is shown and
    // leaving hidden, in the given order, and the focus moves with them.
    enum class Order { ShowFirst, HideFirst };
    void swapPair(QAbstractButton* leaving, QAbstractButton* coming, Order order);
    void startSystemCalculator();
    void closeSystemCalculator();
    // Run when the window is first shown and on every minimise and restore:
    // calculator window hidden, both button pairs back to "On", advert page
    // loaded again.
    void resetButtonPairs();
    Form3& calculator();
    // A key release in box number n: the box's text goes to the engine, its
    // rule runs, and the partners it rewrote are shown.
    void runRule(int box);

    Ui::Form1 ui;
    QString m_siteHost;
    engine::UnitBoxes m_engine;
    // Text1 to Text35 by their number; element 0 stays empty.
    std::array<QLineEdit*, engine::UnitBoxes::kBoxCount + 1> m_boxes{};
    // One calculator window per run, made on first use; it has no owner.
    std::unique_ptr<Form3> m_calculator;
    platform::WebPanel* m_webPanel = nullptr;
    // Remembers the calculators it started, for desktops where that is the
    // only way to find one again.
    platform::SystemCalculator m_systemCalculator;
    bool m_shown = false;
};
