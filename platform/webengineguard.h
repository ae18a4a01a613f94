// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Whether the browser engine may be started in this process at all. Some
// set-ups make Chromium end the whole process instead of failing, and the web
// panel must never take the program down with it. One implementation per OS.
bool browserEngineMayStart();

} // namespace platform
