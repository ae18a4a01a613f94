// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything that names the maker's web site, in one place. The host comes
// from the build (the CMake cache variable ZELVAN_SITE_HOST, written into
// zelvan/site.h), so a packager changes the site, the about window's lines
// and the advert page together.

#include "zelvan/site.h"

#include <string>
#include <string_view>

namespace makersite {

// The home page, opened by the "latest version" button and its stand-ins in
// the main window. No trailing slash: the address handed to the shell has
// always been exactly "http://" and the host.
inline std::string siteUrl(std::string_view host = kHost)
{
    return "http://" + std::string(host);
}

// The page shown in the main window's web panel, on the same host.
inline std::string advertUrl(std::string_view host = kHost)
{
    return siteUrl(host) + "/guanggao54.html";
}

// The author's address, at the site's domain without its "www." label (the
// shorter address also fits the about window's contact line).
inline std::string contactEmail()
{
    std::string_view domain = kHost;
    if (domain.starts_with("www."))
        domain.remove_prefix(4);
    return "author@" + std::string(domain);
}

// The about window's red line, built on the maker's company name; short
// enough for its line in 12 pt bold.
inline constexpr char kSlogan[] = "Orvane·专注PCB";

} // namespace makersite
