// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/webviewfactory.h"

namespace platform {

// The desktop's own browser control, where the system has one the panel can
// host in a window of ours (Windows' WebBrowser control); nullptr where the
// panel's browser is the engine module instead. One implementation per OS.
WebViewFactory* systemWebViewFactory();

} // namespace platform
