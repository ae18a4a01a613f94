// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/form4.h"

#include "ui/common/centring.h"
#include "ui/common/makersite.h"
#include "ui/dialogs/module1.h"
#include "zelvan/version.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {

// A click is a left press and a release over the same control.
bool isClick(const QMouseEvent* event, const QWidget* target)
{
    return event->button() == Qt::LeftButton && target->rect().contains(event->position().toPoint());
}

} // namespace

Form4::Form4(QWidget* parent)
    : QDialog(parent)
{
    ui.setupUi(this);
    m_closingLabels = {ui.Label1, ui.Label2};
    // Minimise and close boxes, no maximise box: the layout is fixed.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    new CentredOnFirstShow(this);

    // The lines that name the site come from the build, so they are filled here.
    ui.Label2->setText(QStringLiteral("联系作者：") + QString::fromStdString(makersite::contactEmail()));
    ui.Label3->setText(QStringLiteral("进入官网下载最新版：\n") + QString::fromStdString(makersite::siteUrl())
                       + QLatin1Char('/'));
    ui.Label4->setText(QString::fromUtf8(makersite::kSlogan));
    // The form holds the version line's wording, the build its number.
    ui.Label5->setText(ui.Label5->text().arg(QLatin1String(zelvanversion::kVersion)));

    // A QLabel passes mouse presses on to the window behind it, which would
    // make every label close the window; the filter decides per label instead.
    for (QLabel* label : {ui.Label1, ui.Label2, ui.Label3, ui.Label4, ui.Label5})
        label->installEventFilter(this);

    // The window stays open: the browser comes up beside it.
    connect(ui.Command1, &QToolButton::clicked, this, [] { OpenLatestVersionPage(); });
    // A tool button answers Space only; Return and Enter press it as well.
    ui.Command1->installEventFilter(this);
}

void Form4::showModal(QWidget* owner)
{
    Form4 window(owner);
    window.exec();
}

bool Form4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.Command1) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                ui.Command1->click();
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return true;
    case QEvent::MouseButtonRelease: {
        auto* label = static_cast<QWidget*>(watched);
        if (isClick(static_cast<QMouseEvent*>(event), label)
            && std::ranges::find(m_closingLabels, label) != m_closingLabels.end())
            close();
        return true;
    }
    default: return QDialog::eventFilter(watched, event);
    }
}

void Form4::mouseReleaseEvent(QMouseEvent* event)
{
    if (isClick(event, this))
        close();
}
