// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// What a process of ours uses: its resident memory and the processor time it
// has had so far. Empty when there is no such process to ask about.
struct ProcessUsage {
    std::int64_t residentBytes = 0;
    std::int64_t cpuMilliseconds = 0;
};

std::optional<ProcessUsage> processUsage(std::int64_t pid);

// Hands the memory this process has freed back to the system, where the
// allocator would keep it for later (as glibc's does with many blocks of a
// few hundred kB, freed out of order): what a page stored and the page took
// with it when it went then no longer counts as this process's.
void giveBackFreedMemory();

} // namespace platform
