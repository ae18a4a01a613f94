// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/common/makersite.h"

#include <string_view>

// Opens the maker's home page in the desktop's default browser and returns at
// once. Called by the about window's "查看最新版" button and by the main
// window's banner picture and "bar" label. Silent when nothing can open it.
// The host is the build's unless a window shows another site's pages.
void OpenLatestVersionPage(std::string_view host = makersite::kHost);
