// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webengineguard.h"

#include <QString>

#include <unistd.h>

namespace platform {

// Chromium cannot sandbox a process of root, and rather than fail it calls
// exit() as soon as it starts. Switching the sandbox off is the user's choice,
// never ours, so a root run without one of the engine's own switches for that
// keeps the panel empty. The variable only has to be set, as for the engine.
bool browserEngineMayStart()
{
    if (::getuid() != 0)
        return true;
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return true;
    return flagsTurnSandboxOff(qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS"));
}

} // namespace platform
