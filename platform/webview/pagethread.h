// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// With the engine in one process (--single-process) a page's scripts run on
// a thread of the program's own. Nothing can end that thread, and when the
// program ends the engine waits for it: a page caught in a script that never
// returns would keep the program from ever ending.

namespace platform {

// Whether the page thread answered the watch the last time it was asked.
void notePageThreadAnswers(bool answers);

// For qAddPostRoutine once the engine runs in one process, so that it runs
// before the engine's own ending: when the page thread last did not answer,
// the program ends here, without waiting for it. Nothing is lost: the window
// is gone by then, and the program keeps nothing on disk.
void endProgramPastStuckPage();

} // namespace platform
