// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/webviewfactory.h"

#include <QString>

#include <chrono>
#include <memory>

namespace platform {

// The advert host: where the panel's browser is the desktop's own control,
// the program that shows it in a process of its own (Windows).
struct AdvertHostSettings {
    // Empty: zelvan-adverthost.exe beside the program.
    QString program;
    // How long after the user's press into the page the host may still have
    // an address opened in the desktop's browser (one for each press).
    std::chrono::milliseconds openAfterPress{5000};
};

// The desktop's own browser control, where the system has one the panel can
// host in a window of ours (Windows' WebBrowser control, in the advert
// host); nullptr where the panel's browser is the engine module instead, or
// the host is missing. One implementation per OS.
std::unique_ptr<WebViewFactory> systemWebViewFactory(const AdvertHostSettings& host);

} // namespace platform
