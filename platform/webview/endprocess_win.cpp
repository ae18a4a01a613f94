// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/endprocess.h"

#include <windows.h>

namespace platform {

// A renderer stuck in a script loop never gets to handle a polite request,
// so it is terminated outright; it holds nothing that needs saving.
bool endProcess(std::int64_t pid)
{
    if (pid <= 0 || pid == GetCurrentProcessId())
        return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return false;
    const bool ended = TerminateProcess(process, 1) != 0;
    CloseHandle(process);
    return ended;
}

} // namespace platform
