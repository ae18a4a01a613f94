// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace platform {

// Ends a child process of ours at once (the browser's renderer of a page that
// no longer answers). Returns false when there was no such process to end.
// Never this program's own process: with the engine in one process
// (--single-process) the renderer's id is the program's.
bool endProcess(std::int64_t pid);

} // namespace platform
