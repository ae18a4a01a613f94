// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of the toolkit: an empty Qt window with the main window's client
// size. The start-up benchmark (bench/startup.sh) compares zelvan against it.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(649, 556);
    window.show();
    return app.exec();
}
