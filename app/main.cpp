// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/runningmark.h"
#include "ui/common/appsetup.h"
#include "ui/main/form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before anything else: the installer must see this copy run.
    platform::markRunning();
    QApplication app(argc, argv);
    setUpApplication();
    Form1 window;
    window.show();
    return app.exec();
}
