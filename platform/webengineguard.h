// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QString;

namespace platform {

// Whether the browser engine may be started in this process at all. Some
// set-ups make Chromium end the whole process instead of failing, and the web
// panel must never take the program down with it. One implementation per OS.
bool browserEngineMayStart();

// Whether Chromium, started with these switches (QTWEBENGINE_CHROMIUM_FLAGS),
// would surely run without its sandbox. Only a "--no-sandbox" word, between
// plain blanks as the engine splits them, before any bare "--" counts:
// Chromium reads no switches after "--". Double quotes, which the engine's
// reading interprets, count as doubt, and doubt counts as the sandbox on.
bool flagsTurnSandboxOff(const QString& flags);

} // namespace platform
