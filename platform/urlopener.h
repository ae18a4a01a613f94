// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The platform layer: the few things Zelvan asks of the operating system,
// each behind a plain function or widget with one implementation per OS.

#include <string>

namespace platform {

// Hands the address (UTF-8; percent-encoded as QUrl::toEncoded() gives it,
// so that the handler gets it as the page wrote it) to the desktop's default
// handler, normally the browser, and returns at once. Nothing is reported
// when no handler can open it.
void openUrl(const std::string& url);

} // namespace platform
