// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace platform {

// The desktop's own calculator program, started and closed the way the
// "WinCalc." buttons need: no process handle is kept; the calculator is found
// again only by the class of its top-level window.

// Starts the calculator without waiting for it. Returns an empty string on
// success, otherwise why it could not be started (for the user, UTF-8).
std::string startSystemCalculator();

// Finds one top-level window of the calculator's class and asks it to close,
// as its close box would. No such window is not an error: nothing happens.
void closeSystemCalculator();

} // namespace platform
