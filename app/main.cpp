// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/form1.h"
#include "ui/main/qttranslations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installChineseQtTranslations();
    Form1 window;
    window.show();
    return app.exec();
}
