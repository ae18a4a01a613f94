// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace platform {

// The calculator processes started here, for desktops where nothing else
// finds them again. A process id is trusted only while /proc still shows the
// program started under it, never a later process given the same id.
class StartedProcesses {
public:
    // Starts program without waiting for it; false when the system would not
    // run it. Those started before and ended since are forgotten.
    bool start(const QString& program);

    // The latest one still running asked to end (SIGTERM, which it may
    // handle; never killed); false when none is running. Those that ended by
    // themselves are forgotten on the way.
    bool endLatest();

private:
    struct Started {
        long long pid;
        QString program; // the file started, to tell a reused process id
    };
    std::vector<Started> m_started;
};

} // namespace platform
