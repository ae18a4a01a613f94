// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/runningmark.h"
#include "ui/common/appsetup.h"
#include "ui/common/commandline.h"
#include "ui/main/form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before anything else: the installer must see this copy run.
    platform::markRunning();
    // Before QApplication, which needs a display: --help and --version are
    // answered without one, and a mistake ends here instead of in a window.
    if (const std::optional<int> exitCode = answerCommandLine(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    setUpApplication();
    Form1 window;
    window.show();
    return app.exec();
}
