// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The browser engine's switches, as the program starts the engine with them:
// plain rules on the text of QTWEBENGINE_CHROMIUM_FLAGS, apart from the
// engine so that they are tested without one.

#include <QByteArray>

namespace platform {

// The user's switches (QTWEBENGINE_CHROMIUM_FLAGS), and after them the
// program's, which never undo the user's: a bounded script heap; the
// program's language unless the user chose one; sound played by the
// program's own process instead of a helper process of its own, added to
// whatever features the user turned off; and no second, unsandboxed helper
// for the engine's services (the program runs the ones it needs itself).
QByteArray engineSwitches(const QByteArray& user);

// Whether the engine, started with these switches, may run its pages inside
// the program's own process (--single-process). Doubt counts as yes: any
// mention at all.
bool switchesRunPagesInProgram(const QByteArray& switches);

} // namespace platform
