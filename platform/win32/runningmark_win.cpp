// SPDX-License-Identifier: GPL-3.0-or-later
// Kept free of Qt so that the MinGW syntax check can compile it on its own.
#include "platform/runningmark.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>

namespace platform {

void markRunning()
{
    // Paths past MAX_PATH give no name a mutex may have: that copy runs
    // unmarked, as it did before.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring folder(path, length);
    folder.erase(std::min(folder.size(), folder.find_last_of(L'\\')));
    CharLowerBuffW(folder.data(), static_cast<DWORD>(folder.size()));
    std::replace(folder.begin(), folder.end(), L'\\', L'/');
    // Global reaches an installer run by another user or elevated in another
    // session; a session that may not create global objects gets its own.
    // The handle is kept open on purpose: it closes with the process.
    for (const wchar_t* space : {L"Global\\Zelvan-", L"Local\\Zelvan-"}) {
        if (CreateMutexW(nullptr, FALSE, (space + folder).c_str()))
            return;
    }
}

} // namespace platform
