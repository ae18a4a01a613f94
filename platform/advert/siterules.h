// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a page in the advert host's browser control may do, apart from the
// control so that the rules are read and tested on every system. The host's
// site (adverthost/browsersite.cpp) applies them to the control's events.

#include <string_view>

namespace advert {

// An http or https address, whatever the scheme's case.
bool isWebAddress(std::wstring_view url);

// The control goes to web addresses (and the empty page) only: local files,
// the system's resources (res:), scripts in the address bar (javascript:) and
// every other handler are refused.
bool browserMayNavigate(std::wstring_view url);

// Whether url stays on the site of siteUrl, the address the panel asked for:
// an http or https address on the same host, whatever its case, with or
// without a leading "www." on either side (sites move between the two), and
// on the same port, a scheme's own port counting as given (so that http on
// 80 moving to https on 443 stays on the site, and another port does not).
// A page's redirects and scripts that leave the site are refused; what a
// user clicks to leave it opens in the desktop's browser.
bool staysOnSite(std::wstring_view siteUrl, std::wstring_view url);

// The control's NWMF_USERINITED: a new window asked for by the user's click.
constexpr unsigned long kNewWindowUserInitiated = 0x2;

// A new window a page asks for (newWindowFlags from the NWMF values) opens in
// the desktop's browser only when the user clicked for it and it shows a web
// address; the control itself never opens one.
bool opensInDesktopBrowser(unsigned long newWindowFlags, std::wstring_view url);

// FileDownload comes as (ActiveDocument, Cancel), or as (Cancel) from older
// controls. Pages the control shows itself come as active documents; anything
// else would be saved to disk after a dialog, so it is cancelled.
bool cancelsDownload(unsigned argumentCount, bool activeDocument);

// The control's download-control bits (DLCTL_*), answered to the ambient
// DISPID_AMBIENT_DLCONTROL: pictures, videos and sounds as a browser loads
// them; no Java applets and no ActiveX controls, which would run code of
// their own in the host; and no dialogs while loading.
namespace dlctl {
constexpr long kImages = 0x10;
constexpr long kVideos = 0x20;
constexpr long kBackgroundSounds = 0x40;
constexpr long kNoJava = 0x100;
constexpr long kNoRunActiveX = 0x200;
constexpr long kNoDownloadActiveX = 0x400;
constexpr long kSilent = 0x40000000;
} // namespace dlctl
constexpr long kDownloadControl = dlctl::kImages | dlctl::kVideos | dlctl::kBackgroundSounds | dlctl::kNoJava
                                  | dlctl::kNoRunActiveX | dlctl::kNoDownloadActiveX | dlctl::kSilent;

// What the host answers a page's message box (alert, confirm, prompt, and the
// control's own): shown by nobody, and answered as if cancelled, so that a
// page waiting for a yes goes no further.
constexpr int kMessageBoxAnswer = 2; // IDCANCEL

} // namespace advert
