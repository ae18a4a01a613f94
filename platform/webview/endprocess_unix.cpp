// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/endprocess.h"

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform {

// A renderer stuck in a script loop never gets to handle a polite request,
// so it is killed outright; it holds nothing that needs saving.
bool endProcess(std::int64_t pid)
{
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

} // namespace platform
