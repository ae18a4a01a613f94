// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: the web panel's watch with every bound out of reach of any
// test, so that no load or answer is ever late and no page too big, too busy
// or too restless, however slow or busy the machine. A case about one of the
// watch's reasons brings that one bound within reach: no other can then come
// first.

#include "platform/webviewfactory.h"

#include <chrono>
#include <cstdint>

inline platform::WebViewPatience unhurried()
{
    return {std::chrono::hours(1), std::chrono::hours(1), std::chrono::hours(1)};
}

inline platform::WebViewLimits outOfReach()
{
    platform::WebViewLimits limits;
    limits.memoryBytes = std::int64_t(1) << 40;
    limits.busyPeriod = std::chrono::hours(1);
    limits.selfLoads = 1 << 20;
    limits.requests = 1 << 20;
    limits.fetches = 1 << 20;
    limits.programGrowthBytes = std::int64_t(1) << 40;
    return limits;
}
