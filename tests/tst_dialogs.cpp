// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/appsetup.h"
#include "ui/common/makersite.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form4.h"
#include "urlrecorder.h"
#include "zelvan/version.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using ShowModal = void (*)(QWidget*);
Q_DECLARE_METATYPE(ShowModal)

namespace {

const QString kSiteUrl = QStringLiteral("http://") + QString::fromUtf8(makersite::kHost);

// Runs show(owner) and, once the window is up inside its modal loop, hands it
// to inspect. The window is always closed afterwards, so a failed check
// cannot leave the test hanging in exec(); returns whether it was still open
// after inspect.
bool whileShownModally(ShowModal show, QWidget* owner, const std::function<void(QWidget*)>& inspect)
{
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        QPointer<QWidget> window = QApplication::activeModalWidget();
        inspect(window);
        stillOpen = window && window->isVisible();
        if (stillOpen)
            window->close();
    });
    show(owner);
    return stillOpen;
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void helpTextPieces_data();
    void helpTextPieces();
    void helpTextLength();
    void helpSentenceStartsLine_data();
    void helpSentenceStartsLine();
    void helpSameOnEveryShowing();
    void helpButtonCloses();

    void windowFrame_data();
    void windowFrame();
    void modalOverOwner_data();
    void modalOverOwner();

    void aboutClick_data();
    void aboutClick();
    void aboutSiteLines();
    void aboutLineFits_data();
    void aboutLineFits();
    void latestVersionButton();

private:
    std::unique_ptr<UrlRecorder> m_browser;
};

// The help text's lines depend on the stand-in faces the program sets up.
void TestDialogs::initTestCase()
{
    setUpApplication();
}

void TestDialogs::init()
{
    m_browser = std::make_unique<UrlRecorder>();
}

void TestDialogs::cleanup()
{
    m_browser.reset();
}

// clang-format off
void TestDialogs::helpTextPieces_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("piece");

    QTest::newRow("four leading blanks") << 0 << QString(4, u' ');
    QTest::newRow("how to enter a value") << 4
        << QStringLiteral("在任何一个框中输入一数值，相应类别框中均显示与之相对等的量值。"
                          "精确至小数点后5位数字，如低于0.00001则显示为0。");
    QTest::newRow("36 blanks before the Enter note") << 63 << QString(36, u' ');
    QTest::newRow("Enter clears, full-width quotes") << 99 << QStringLiteral("在任意状态下按“ENTER”键可清除数值。");
    QTest::newRow("37 blanks before the plating note") << 120 << QString(37, u' ');
    QTest::newRow("plating consumables note") << 157
        << QStringLiteral("电镀耗材计算镀铜是以二价铜电化当量计算所得，镍为二价镍，锡为二价锡，金为三价金。"
                          "金盐耗量是以无氰柠檬酸金钾（非常见的氰化金钾金盐）为计算依据（标称金含量52%）。");
}
// clang-format on

void TestDialogs::helpTextPieces()
{
    QFETCH(int, offset);
    QFETCH(QString, piece);

    Form2 help;
    const QString text = help.findChild<QLabel*>(QStringLiteral("Label1"))->text();
    QCOMPARE(text.mid(offset, piece.size()), piece);
    // Each run of blanks is exactly as long as given: no more blanks around it.
    if (piece.trimmed().isEmpty()) {
        QVERIFY(offset == 0 || text.at(offset - 1) != u' ');
        QVERIFY(text.at(offset + piece.size()) != u' ');
    }
}

void TestDialogs::helpTextLength()
{
    Form2 help;
    const QString text = help.findChild<QLabel*>(QStringLiteral("Label1"))->text();
    QCOMPARE(text.size(), 238);
    QVERIFY(!text.contains(u'\n'));
    QVERIFY(!text.contains(u'\r'));
    QVERIFY(!text.contains(QChar(0x3000))); // blanks are ASCII, not ideographic
}

// clang-format off
void TestDialogs::helpSentenceStartsLine_data()
{
    QTest::addColumn<int>("offset");

    QTest::newRow("the Enter note") << 99;
    QTest::newRow("the plating note") << 157;
}
// clang-format on

// Lays the text out as the label draws it and checks that the run of blanks
// before the sentence pushed it onto a line of its own.
void TestDialogs::helpSentenceStartsLine()
{
    QFETCH(int, offset);

    Form2 help;
    const auto* label = help.findChild<QLabel*>(QStringLiteral("Label1"));
    QTextLayout layout(label->text(), label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QList<int> lineStarts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label->contentsRect().width());
        lineStarts.append(line.textStart());
    }
    layout.endLayout();
    if (!lineStarts.contains(offset))
        qWarning() << "lines start at" << lineStarts;
    QVERIFY(lineStarts.contains(offset));
}

void TestDialogs::helpSameOnEveryShowing()
{
    struct Seen {
        QString text;
        QRect labelGeometry;
        QPoint windowPos;
    };
    QWidget owner;
    owner.show();
    QList<Seen> seen;
    QList<QPointer<QWidget>> windows;
    for (int showing = 0; showing < 2; ++showing) {
        whileShownModally(&Form2::showModal, &owner, [&](QWidget* window) {
            QVERIFY(window);
            const auto* label = window->findChild<QLabel*>(QStringLiteral("Label1"));
            seen.append({label->text(), label->geometry(), window->pos()});
            windows.append(window);
        });
    }
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1].text, seen[0].text);
    QCOMPARE(seen[1].labelGeometry, seen[0].labelGeometry);
    QCOMPARE(seen[1].windowPos, seen[0].windowPos);
    QCOMPARE(seen[0].labelGeometry, QRect(32, 24, 297, 201));
    // Both showings' windows are gone: nothing survives between showings.
    QVERIFY(windows[0].isNull());
    QVERIFY(windows[1].isNull());
}

void TestDialogs::helpButtonCloses()
{
    QWidget owner;
    owner.show();
    const bool stillOpen = whileShownModally(&Form2::showModal, &owner, [](QWidget* window) {
        auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
        QCOMPARE(button->text(), QStringLiteral("知道了！"));
        QTest::mouseClick(button, Qt::LeftButton);
    });
    QVERIFY(!stillOpen);
}

// clang-format off
void TestDialogs::windowFrame_data()
{
    QTest::addColumn<ShowModal>("show");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<bool>("minimiseBox");
    QTest::addColumn<int>("iconSize");

    QTest::newRow("help: 354x259, no min or max box, 32 px icon")
        << ShowModal(&Form2::showModal) << QStringLiteral("Help") << QSize(354, 259) << false << 32;
    QTest::newRow("about: 384x194, no max box, 48 px icon")
        << ShowModal(&Form4::showModal) << QStringLiteral("About") << QSize(384, 194) << true << 48;
}
// clang-format on

void TestDialogs::windowFrame()
{
    QFETCH(ShowModal, show);
    QFETCH(QString, caption);
    QFETCH(QSize, clientSize);
    QFETCH(bool, minimiseBox);
    QFETCH(int, iconSize);

    QWidget owner;
    owner.setGeometry(0, 0, 200, 100);
    owner.show();
    whileShownModally(show, &owner, [&](QWidget* window) {
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(window->size(), clientSize);
        QCOMPARE(window->minimumSize(), clientSize);
        QCOMPARE(window->maximumSize(), clientSize);
        // A missing resource would still give a non-null QIcon, but no sizes.
        QCOMPARE(window->windowIcon().availableSizes(), QList<QSize>{QSize(iconSize, iconSize)});
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimiseBox);
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        // Centred on the screen with its frame, not over the owner in its
        // corner; the slack allows for halves of odd sizes.
        const QPoint offCentre = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1, %2 px off centre").arg(offCentre.x()).arg(offCentre.y())));
    });
}

// clang-format off
void TestDialogs::modalOverOwner_data()
{
    QTest::addColumn<ShowModal>("show");
    QTest::addColumn<QString>("className");

    QTest::newRow("help window") << ShowModal(&Form2::showModal) << QStringLiteral("Form2");
    QTest::newRow("about window") << ShowModal(&Form4::showModal) << QStringLiteral("Form4");
}
// clang-format on

void TestDialogs::modalOverOwner()
{
    QFETCH(ShowModal, show);
    QFETCH(QString, className);

    QWidget owner;
    owner.resize(200, 100);
    auto* ownerButton = new QPushButton(QStringLiteral("owner"), &owner);
    ownerButton->setGeometry(10, 10, 100, 30);
    int ownerClicks = 0;
    connect(ownerButton, &QPushButton::clicked, [&] { ++ownerClicks; });
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    // The click goes in through the window system, where modality is enforced.
    const auto clickOwnerButton = [&] {
        QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {}, ownerButton->geometry().center());
    };
    clickOwnerButton();
    QCOMPARE(ownerClicks, 1); // the click does reach an unblocked owner

    QPointer<QWidget> shown;
    whileShownModally(show, &owner, [&](QWidget* window) {
        shown = window;
        QVERIFY(window);
        QCOMPARE(QString::fromLatin1(window->metaObject()->className()), className);
        QCOMPARE(window->parentWidget(), &owner);
        QVERIFY(window->isModal());
        clickOwnerButton();
    });
    QCOMPARE(ownerClicks, 1);
    QVERIFY(shown.isNull());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

// clang-format off
void TestDialogs::aboutClick_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QPoint>("where"); // in the target; null for its centre
    QTest::addColumn<bool>("closes");

    QTest::newRow("notice text closes") << QStringLiteral("Label1") << QPoint() << true;
    QTest::newRow("contact line closes") << QStringLiteral("Label2") << QPoint() << true;
    QTest::newRow("site line stays") << QStringLiteral("Label3") << QPoint() << false;
    QTest::newRow("slogan stays") << QStringLiteral("Label4") << QPoint() << false;
    QTest::newRow("version stays") << QStringLiteral("Label5") << QPoint() << false;
    QTest::newRow("background above the notice closes") << QString() << QPoint(200, 10) << true;
    QTest::newRow("background under the button closes") << QString() << QPoint(20, 180) << true;
}
// clang-format on

void TestDialogs::aboutClick()
{
    QFETCH(QString, target);
    QFETCH(QPoint, where);
    QFETCH(bool, closes);

    Form4 about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QWidget* widget = target.isEmpty() ? &about : about.findChild<QWidget*>(target);
    QVERIFY(widget);
    if (where.isNull())
        where = widget->rect().center();
    // The click really lands on the intended control, not on one above it.
    QCOMPARE(about.childAt(widget->mapTo(&about, where)), target.isEmpty() ? nullptr : widget);

    QTest::mouseClick(about.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&about, where));
    QCOMPARE(about.isVisible(), !closes);
    QVERIFY(m_browser->opened().isEmpty());
}

void TestDialogs::aboutSiteLines()
{
    Form4 about;
    const auto text = [&](const char* name) { return about.findChild<QLabel*>(name)->text(); };
    const QString contact = text("Label2");
    QVERIFY(contact.startsWith(QStringLiteral("联系作者：")));
    const QString address = contact.mid(5);
    QVERIFY2(QRegularExpression(QStringLiteral("^[a-z]+@[a-z0-9.-]+$")).match(address).hasMatch(), qPrintable(address));
    // An address at the site's own domain.
    QVERIFY(QString::fromUtf8(makersite::kHost).endsWith(address.section(u'@', 1)));
    QCOMPARE(text("Label3"), QStringLiteral("进入官网下载最新版：\n") + kSiteUrl + u'/');
    QVERIFY(text("Label4").contains(QStringLiteral("Orvane")));
    // The project's version, in the words of the about window.
    QCOMPARE(text("Label5"), QStringLiteral("版本：%1 beta").arg(QLatin1String(zelvanversion::kVersion)));
    QCOMPARE(text("Label1"), QStringLiteral("有任何BUG请知会本人，或还有其它PCB制造会用到的单位换算方面需求"
                                            "可联络本人进行增补，仅适用PCB制造行业。 "));
    const QLabel* slogan = about.findChild<QLabel*>("Label4");
    QCOMPARE(slogan->palette().color(QPalette::Active, QPalette::WindowText), QColor(192, 64, 0));
    QVERIFY(slogan->font().bold());
    QCOMPARE(slogan->font().pointSize(), 12);
}

// clang-format off
void TestDialogs::aboutLineFits_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("contact line") << QStringLiteral("Label2");
    QTest::newRow("site line, two lines") << QStringLiteral("Label3");
    QTest::newRow("slogan in 12 pt bold") << QStringLiteral("Label4");
    QTest::newRow("version") << QStringLiteral("Label5");
}
// clang-format on

// The one-line labels do not wrap; what they show must fit their frame.
void TestDialogs::aboutLineFits()
{
    QFETCH(QString, name);

    Form4 about;
    const auto* label = about.findChild<QLabel*>(name);
    const QRect needed = label->fontMetrics().boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, label->text());
    QVERIFY2(needed.width() <= label->contentsRect().width() && needed.height() <= label->contentsRect().height(),
             qPrintable(QStringLiteral("needs %1x%2").arg(needed.width()).arg(needed.height())));
}

void TestDialogs::latestVersionButton()
{
    QWidget owner;
    owner.show();
    int stillModal = 0;
    const bool stillOpen = whileShownModally(&Form4::showModal, &owner, [&](QWidget* window) {
        auto* button = window->findChild<QToolButton*>(QStringLiteral("Command1"));
        QCOMPARE(button->text(), QStringLiteral("查看最新版"));
        QCOMPARE(button->size(), QSize(105, 105));
        QVERIFY(!button->icon().availableSizes().isEmpty()); // the picture is in the resources
        for (int click = 0; click < 3; ++click) {
            QTest::mouseClick(button, Qt::LeftButton);
            stillModal += QApplication::activeModalWidget() == window;
        }
    });
    QVERIFY(stillOpen);
    QCOMPARE(stillModal, 3);
    // Windows' shell starts the browser three times: seconds under Wine.
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->opened(), QList<QUrl>(3, QUrl(kSiteUrl)), 30000);
    QCOMPARE(m_browser->opened().first().toString(), kSiteUrl); // no trailing slash
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
