// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the panel lets its advert host make it do. The host runs the page,
// and a page that has taken the host over says whatever it likes: each of
// its requests is checked against what the panel saw itself. Plain C++ with
// the time handed in (milliseconds on one steady clock), so that the rules
// are tested on every system.

#include <chrono>
#include <deque>
#include <optional>

namespace advert {

using Ms = std::chrono::milliseconds;

// An address goes to the desktop's browser only shortly after the user
// pressed a mouse button in the host's window (which the panel sees for
// itself), one for each press, and a few a minute at most.
struct OpenLimits {
    Ms afterAction{5000};
    int perMinute = 4;
};

class OpenGate {
public:
    void setLimits(OpenLimits limits) { m_limits = limits; }
    // The panel saw the user press a button in the host's window.
    void userAction(Ms now);
    // The host asks to open an address now: whether that may go on. An open
    // allowed uses up its action; one refused leaves it.
    bool mayOpen(Ms now);

private:
    OpenLimits m_limits;
    std::optional<Ms> m_action; // the latest press not used yet
    std::deque<Ms> m_opens; // within the last minute
};

// What a host may say within a period: it tells of loads, answers pings and
// passes on the user's Tab and clicks, a few lines a second at most. Lines it
// must not send (not the protocol's, or asking for what it may not have) are
// rarer still. A host past either bound is ended.
struct LineLimits {
    int lines = 100;
    int unwanted = 10;
    Ms period{10000};
};

class LineBudget {
public:
    void setLimits(LineLimits limits) { m_limits = limits; }
    // One line read from the host, one the panel wanted or not: whether the
    // host is still within its bounds (never again once it is not).
    bool take(Ms now, bool wanted);

private:
    bool count(std::deque<Ms>& times, int limit, Ms now);

    LineLimits m_limits;
    std::deque<Ms> m_lines;
    std::deque<Ms> m_unwanted;
    bool m_spent = false;
};

} // namespace advert
