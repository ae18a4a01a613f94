// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webengineguard.h"

#include <QString>
#include <QStringList>

#include <unistd.h>

namespace platform {

// Chromium cannot sandbox a process of root, and rather than fail it calls
// exit() as soon as it starts. Switching the sandbox off is the user's choice,
// never ours, so a root run without one of the engine's own switches for that
// keeps the panel empty. The same checks as the engine's: the variable only
// has to be set, the flag only has to appear among the flags.
bool browserEngineMayStart()
{
    if (::getuid() != 0)
        return true;
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return true;
    const QStringList flags = qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS")
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return flags.contains(QLatin1String("--no-sandbox"));
}

} // namespace platform
