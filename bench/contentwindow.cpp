// SPDX-License-Identifier: GPL-3.0-or-later
// The toolkit's floor for a window of the main window's kind: a menu bar,
// eight frames with Chinese captions, 35 line edits with their unit labels,
// Chinese labels and five buttons, in Qt's default look and font, with no
// pictures, style sheets or extra faces. bench/startup.sh compares zelvan's
// start-up against it as well as against the empty window.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt window with content"));

    QMenu* file = window.menuBar()->addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("关闭"));
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("帮助"));
    help->addAction(QStringLiteral("帮助"));
    help->addAction(QStringLiteral("关于"));
    window.menuBar()->addMenu(QStringLiteral("精确至小数点后5位数字"));

    auto* client = new QWidget;
    client->setFixedSize(649, 556);
    window.setCentralWidget(client);

    // Eight frames in four columns, 35 boxes between them as in the main window.
    struct Frame {
        const char* caption;
        int x, y, boxes;
    };
    const Frame frames[] = {
        {"长度计量单位换算", 32, 64, 5},   {"面积计量单位换算", 32, 248, 4}, {"厚度计量单位换算", 176, 64, 4},
        {"流量单位换算", 176, 224, 3},     {"电流密度换算", 176, 355, 2},    {"拉力计量单位换算", 304, 64, 3},
        {"压强计量单位换算", 304, 184, 5}, {"电镀耗材计算", 464, 64, 9},
    };
    const char* units[] = {"m", "mm", "f t", "inch", "mil", "Kg/cm", "PSI", "bar", "MPa"};
    for (const Frame& f : frames) {
        auto* frame = new QGroupBox(QString::fromUtf8(f.caption), client);
        frame->setGeometry(f.x, f.y, 153, f.boxes * 36 + 24);
        for (int i = 0; i < f.boxes; ++i) {
            auto* box = new QLineEdit(frame);
            box->setGeometry(8, 16 + 36 * i, 73, 25);
            auto* unit = new QLabel(QString::fromUtf8(units[i]), frame);
            unit->setGeometry(88, 24 + 36 * i, 60, 17);
            unit->setToolTip(QStringLiteral("单位"));
        }
    }
    const char* headings[] = {"电镀铜消耗电量", "耗用铜材", "电镀镍消耗电量", "耗用镍材"};
    for (int i = 0; i < 4; ++i)
        (new QLabel(QString::fromUtf8(headings[i]), client))->setGeometry(464, 440 + 20 * i, 105, 17);
    const char* buttons[] = {"清空数值", "Calculator On", "Calculator Off", "WinCalc. On", "WinCalc. Off"};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QPushButton(QString::fromUtf8(buttons[i]), client);
        button->setGeometry(32 + 100 * (i % 2), 440 + 40 * (i / 2), 95, 27);
    }

    window.show();
    return app.exec();
}
