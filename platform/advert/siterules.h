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

// Where the page's top frame may go, the site being the address the panel
// asked the host to show: on within the site (or to the empty page); to
// another web address only in the desktop's browser, which the panel opens
// only after the user's click; anywhere else not at all.
enum class TopNavigation { Allowed, Elsewhere, Refused };
TopNavigation topNavigation(std::wstring_view siteUrl, std::wstring_view url);

// Whether the control may act on a URL at all (run its scripts, show its
// frames, follow a redirect to it, any URL action the security manager is
// asked about): web addresses only, so that what the control reaches past
// its navigation events (a server's redirect, a frame) meets the same rule.
bool mayActOn(std::wstring_view url);

// What a key pressed while the page has the keyboard does: it goes on to
// the page, it leaves the page (Tab and Shift+Tab: the panel is one stop in
// its window's Tab order), or it is refused. Refused are the control's own
// shortcuts, which would open an address or another window, reload, print,
// save or find (Ctrl or Alt with any key but Ctrl+C, Ctrl+A and the
// system's Alt+F4, the function keys, the keyboard's browser and launch
// keys, the menu key).
enum class PageKey { Page, Leave, Refused };
PageKey pageKey(unsigned virtualKey, bool control, bool alt);

// The virtual-key codes the rule names (winuser.h's values).
namespace vk {
constexpr unsigned kTab = 0x09;
constexpr unsigned kA = 0x41;
constexpr unsigned kC = 0x43;
constexpr unsigned kApps = 0x5D;
constexpr unsigned kF1 = 0x70;
constexpr unsigned kF4 = 0x73;
constexpr unsigned kF24 = 0x87;
constexpr unsigned kBrowserBack = 0xA6;
constexpr unsigned kLaunchApp2 = 0xB7;
} // namespace vk

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
