// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/systemwebview.h"

namespace platform {

// Linux desktops have no browser control to host: the engine module is the browser.
WebViewFactory* systemWebViewFactory()
{
    return nullptr;
}

} // namespace platform
