// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/advert/siterules.h"

#include <string>

namespace advert {
namespace {

wchar_t lower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool isAsciiAlpha(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// The part before the first colon, lower-cased, when it is a well-formed
// scheme (a letter, then letters, digits, "+", "-" or "."); else empty.
std::wstring schemeOf(std::wstring_view url)
{
    const std::size_t colon = url.find(L':');
    if (colon == std::wstring_view::npos || colon == 0 || !isAsciiAlpha(url[0]))
        return {};
    std::wstring scheme;
    for (const wchar_t c : url.substr(0, colon)) {
        if (!(isAsciiAlpha(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'))
            return {};
        scheme += lower(c);
    }
    return scheme;
}

} // namespace

bool isWebAddress(std::wstring_view url)
{
    const std::wstring scheme = schemeOf(url);
    return scheme == L"http" || scheme == L"https";
}

bool browserMayNavigate(std::wstring_view url)
{
    if (isWebAddress(url))
        return true;
    constexpr std::wstring_view blank = L"about:blank";
    if (url.size() != blank.size())
        return false;
    for (std::size_t i = 0; i < blank.size(); ++i) {
        if (lower(url[i]) != blank[i])
            return false;
    }
    return true;
}

bool opensInDesktopBrowser(unsigned long newWindowFlags, std::wstring_view url)
{
    return (newWindowFlags & kNewWindowUserInitiated) != 0 && isWebAddress(url);
}

bool cancelsDownload(unsigned argumentCount, bool activeDocument)
{
    return argumentCount < 2 || !activeDocument;
}

} // namespace advert
