// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

namespace platform {

// Why the desktop's calculator could not be started.
enum class CalculatorError {
    None,
    NotInstalled, // no calculator program of the known ones exists here
    NotStarted, // the program exists but the system would not run it
};

struct CalculatorStart {
    CalculatorError error = CalculatorError::None;
    // The program run or tried; with NotInstalled, the names looked for,
    // separated by ", ". Not meant as a sentence: the caller words that.
    std::string program;
};

// The desktop's own calculator program, started and closed the way the
// "WinCalc." buttons need. Where the desktop lets a program find another
// program's windows (Windows, X11), the calculator is found again only by
// its window class, whoever started it. Where it does not (Wayland), the
// calculator is reached through its own application interface on the
// session bus if it has one, and otherwise only the processes started here
// can be found again, which is why this object remembers them.
class SystemCalculator {
public:
    SystemCalculator();
    // A close still under way is carried to its end first, within a few
    // seconds: this object goes when its window does, as the program ends,
    // and the calculator must still be reached.
    ~SystemCalculator();

    // Starts the calculator without waiting for it.
    CalculatorStart start();

    // Asks one calculator to close, with the least force that works: one
    // window asked to close as its close box would, else one calculator
    // started here asked to end. Nothing to close is not an error. Each call
    // closes one calculator at most, in the order asked. Where the answer
    // has to come from another program over the session bus, it comes
    // through the event loop and this returns at once; a window asked to
    // close (Windows, X11) is given the request directly, which on Windows
    // waits for the calculator to take it, 2 s at most and not at all when
    // its window has stopped answering.
    void closeOne();

private:
    // What a platform keeps between calls: the routes to a calculator and
    // their state.
    struct Routes;
    std::unique_ptr<Routes> m_routes;
};

} // namespace platform
