// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one step every adapter of the watch takes after carrying out a
// decision: its timer set for the watch's next look.

#include "platform/watch/pagewatch.h"

#include <algorithm>
#include <optional>

namespace platform::watch {

// How long from now until the next look the decision names: at once when
// that time has passed, at most an hour (a Qt timer holds an int of
// milliseconds; the watch never asks for a look that far ahead), nothing
// when it names none.
inline std::optional<Ms> timerDelay(Ms next, Ms now)
{
    if (next == kNever)
        return std::nullopt;
    return std::clamp(next - now, Ms(0), Ms(std::chrono::hours(1)));
}

} // namespace platform::watch
