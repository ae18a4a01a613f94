// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/advert/siterules.h"

#include <optional>
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

struct Origin {
    std::wstring host;
    std::wstring port;
};

// The host (lower-cased, without a leading "www." or a trailing dot) and the
// port (empty for the scheme's own) of an http or https address,
// read as a browser reads it: the authority ends at the first "/", "\\",
// "?" or "#", user information before its last "@" is not the host.
// Nothing when it is not such an address or its host is not plain.
std::optional<Origin> originOf(std::wstring_view url)
{
    const std::wstring scheme = schemeOf(url);
    if (scheme != L"http" && scheme != L"https")
        return {};
    std::wstring_view rest = url.substr(scheme.size() + 1);
    while (!rest.empty() && (rest.front() == L'/' || rest.front() == L'\\'))
        rest.remove_prefix(1);
    std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/\\?#"));
    if (const std::size_t at = authority.rfind(L'@'); at != std::wstring_view::npos)
        authority.remove_prefix(at + 1);
    Origin origin;
    std::wstring_view host = authority;
    // A bracketed IPv6 address holds colons of its own.
    const std::size_t colon = authority.find(L':', authority.starts_with(L'[') ? authority.find(L']') : 0);
    if (colon != std::wstring_view::npos) {
        host = authority.substr(0, colon);
        origin.port = std::wstring(authority.substr(colon + 1));
        while (origin.port.size() > 1 && origin.port.front() == L'0')
            origin.port.erase(0, 1);
        for (const wchar_t c : origin.port) {
            if (c < L'0' || c > L'9')
                return {};
        }
    }
    // The scheme's own port is no port at all: http on 80 and https on 443
    // are the same site.
    if (origin.port == (scheme == L"http" ? L"80" : L"443"))
        origin.port.clear();
    if (host.ends_with(L'.'))
        host.remove_suffix(1);
    for (const wchar_t c : host) {
        // Letters, digits, "-", "." and an IPv6 address's brackets and
        // colons; anything else (percent-escapes, letters past ASCII) would
        // need the browser's own decoding to compare, so it never matches.
        if (!(isAsciiAlpha(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == L'[' || c == L']'
              || c == L':'))
            return {};
        origin.host += lower(c);
    }
    if (origin.host.starts_with(L"www."))
        origin.host.erase(0, 4);
    if (origin.host.empty())
        return {};
    return origin;
}

bool isEmptyPage(std::wstring_view url)
{
    constexpr std::wstring_view blank = L"about:blank";
    if (url.size() != blank.size())
        return false;
    for (std::size_t i = 0; i < blank.size(); ++i) {
        if (lower(url[i]) != blank[i])
            return false;
    }
    return true;
}

} // namespace

bool staysOnSite(std::wstring_view siteUrl, std::wstring_view url)
{
    const std::optional<Origin> site = originOf(siteUrl);
    const std::optional<Origin> to = originOf(url);
    return site && to && site->host == to->host && site->port == to->port;
}

bool isWebAddress(std::wstring_view url)
{
    const std::wstring scheme = schemeOf(url);
    return scheme == L"http" || scheme == L"https";
}

bool browserMayNavigate(std::wstring_view url)
{
    return isWebAddress(url) || isEmptyPage(url);
}

TopNavigation topNavigation(std::wstring_view siteUrl, std::wstring_view url)
{
    if (staysOnSite(siteUrl, url) || isEmptyPage(url))
        return TopNavigation::Allowed;
    return isWebAddress(url) ? TopNavigation::Elsewhere : TopNavigation::Refused;
}

bool mayActOn(std::wstring_view url)
{
    return isWebAddress(url);
}

PageKey pageKey(unsigned virtualKey, bool control, bool alt)
{
    // Alt+F4 is the system's: it closes the program's window.
    if (alt)
        return virtualKey == vk::kF4 && !control ? PageKey::Page : PageKey::Refused;
    if (control)
        return virtualKey == vk::kC || virtualKey == vk::kA ? PageKey::Page : PageKey::Refused;
    if (virtualKey == vk::kTab)
        return PageKey::Leave;
    if ((virtualKey >= vk::kF1 && virtualKey <= vk::kF24)
        || (virtualKey >= vk::kBrowserBack && virtualKey <= vk::kLaunchApp2) || virtualKey == vk::kApps)
        return PageKey::Refused;
    return PageKey::Page;
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
