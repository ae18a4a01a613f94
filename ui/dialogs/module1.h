// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opens the maker's home page in the desktop's default browser and returns at
// once. Called by the about window's "查看最新版" button and by the main
// window's banner picture and "bar" label. Silent when nothing can open it.
void OpenLatestVersionPage();
