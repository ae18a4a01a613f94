// SPDX-License-Identifier: GPL-3.0-or-later
// Kept free of Qt so that the MinGW syntax check can compile it on its own.
#include "platform/urlopener.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

namespace platform {

void openUrl(const std::string& url)
{
    // Default verb, narrow strings in the ANSI code page and "C:\" as working
    // directory, as the program has always called it. The result is dropped:
    // without a browser the user simply sees nothing open.
    static_cast<void>(ShellExecuteA(nullptr, nullptr, url.c_str(), nullptr, "C:\\", SW_SHOWNORMAL));
}

} // namespace platform
