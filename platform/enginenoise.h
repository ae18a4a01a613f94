// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Quietens what the browser engine says, or would crash saying, about the
// GL set-up the panel does without on purpose. Call before the engine
// module is loaded; more calls change nothing.
void quietenEngineGlNoise();

} // namespace platform
