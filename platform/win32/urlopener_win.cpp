// SPDX-License-Identifier: GPL-3.0-or-later
// Kept free of Qt so that the MinGW syntax check can compile it on its own.
#include "platform/urlopener.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace platform {

void openUrl(const std::string& url)
{
    // Wide, so that no character of the address passes through the ANSI
    // code page (936 on a Chinese Windows), which cannot hold them all.
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, url.data(), static_cast<int>(url.size()), nullptr, 0);
    if (size <= 0)
        return;
    std::wstring address(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, url.data(), static_cast<int>(url.size()), address.data(), size);
    // Default verb and "C:\" as working directory, as the program has always
    // called it. The result is dropped: without a browser the user simply
    // sees nothing open.
    static_cast<void>(ShellExecuteW(nullptr, nullptr, address.c_str(), nullptr, L"C:\\", SW_SHOWNORMAL));
}

} // namespace platform
