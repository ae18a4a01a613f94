// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webengineguard.h"

namespace platform {

// Chromium sandboxes administrators on Windows as well, so nothing stops it here.
bool browserEngineMayStart()
{
    return true;
}

} // namespace platform
