// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/processusage.h"

#include <windows.h>
#include <psapi.h>

namespace platform {

std::optional<ProcessUsage> processUsage(std::int64_t pid)
{
    if (pid <= 0)
        return std::nullopt;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return std::nullopt;
    std::optional<ProcessUsage> usage;
    PROCESS_MEMORY_COUNTERS memory{};
    FILETIME created, exited, kernel, user;
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)
        && ::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        const auto hundredNs = [](FILETIME t) { return (std::int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        usage = ProcessUsage{std::int64_t(memory.WorkingSetSize), (hundredNs(kernel) + hundredNs(user)) / 10000};
    }
    ::CloseHandle(process);
    return usage;
}

// Windows names no threads that could be told apart here.
std::int64_t compositorCpuMilliseconds()
{
    return 0;
}

// Windows' heap gives large freed blocks back by itself.
void giveBackFreedMemory() { }

} // namespace platform
