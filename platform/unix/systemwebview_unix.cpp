// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/systemwebview.h"

namespace platform {

// Linux desktops have no browser control to host: the engine module is the browser.
std::unique_ptr<WebViewFactory> systemWebViewFactory(const AdvertHostSettings& /*host*/)
{
    return nullptr;
}

} // namespace platform
