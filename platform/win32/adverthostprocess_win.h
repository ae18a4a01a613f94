// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The advert host's process as the panel sees it: started at low integrity
// inside a Job object that bounds its memory and processor rate and ends it
// with the program, and spoken to over two pipes. Free of Qt, so that the
// MinGW syntax check reaches it; systemwebview_win.cpp drives it.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct AdvertHostBounds {
    // The job's cap on the host's committed memory.
    std::int64_t memoryBytes = std::int64_t(512) << 20;
    // The job's hard cap on the host's processor time, in percent of the
    // whole machine (all its cores).
    int processorPercent = 50;
};

// What the process had so far: its working set and its processor time.
struct AdvertHostUsage {
    std::int64_t residentBytes = 0;
    std::int64_t cpuMilliseconds = 0;
};

// What could be set up for the host, for the tests and the notes.
struct AdvertHostRights {
    bool lowIntegrity = false; // the token handed to the process
    bool processorCapped = false; // the job's processor rate control
};

class AdvertHostProcess {
public:
    // Called on the pipe's reader thread: one line of the host, without its
    // "\n" (at most advert::kMaxLineLength; longer ones are dropped and
    // counted), then ended() once when the host's end of the pipe closes.
    struct Events {
        std::function<void(std::string_view line)> line;
        std::function<void()> ended;
    };

    // Starts program with parent (the panel's window) on its command line,
    // suspended until it is in its job. Nothing is started, and nullptr
    // returned, when the low-integrity token, the job or the pipes cannot be
    // had: the advert never runs with the user's full rights.
    static std::unique_ptr<AdvertHostProcess> start(const std::wstring& program, HWND parent,
                                                    const AdvertHostBounds& bounds, Events events);
    // Ends the process (and everything in its job) and waits for the pipe threads.
    ~AdvertHostProcess();

    AdvertHostProcess(const AdvertHostProcess&) = delete;
    AdvertHostProcess& operator=(const AdvertHostProcess&) = delete;

    // Queued for the writer thread: never blocks, whatever the host does.
    void send(std::string line);
    // Ends the process at once; ended() follows from the reader thread.
    void end();
    std::optional<AdvertHostUsage> usage() const;
    DWORD processId() const { return m_processId; }
    AdvertHostRights rights() const { return m_rights; }
    // Lines the reader dropped as too long.
    int droppedLines() const;

private:
    AdvertHostProcess() = default;
    std::int64_t threadTimes() const;
    static DWORD WINAPI readLoop(void* self);
    static DWORD WINAPI writeLoop(void* self);

    Events m_events;
    HANDLE m_job = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    HANDLE m_fromHost = nullptr; // our read end
    HANDLE m_toHost = nullptr; // our write end
    HANDLE m_reader = nullptr;
    HANDLE m_writer = nullptr;
    AdvertHostRights m_rights;

    // Win32's own lock and condition: the MinGW syntax check's library has
    // no std::mutex.
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_wake = CONDITION_VARIABLE_INIT;
    std::deque<std::string> m_queue;
    bool m_stopping = false;
    int m_dropped = 0;
};

// Asks the browser control for Internet Explorer 11's document mode for the
// program of that file name, under the user's key (the low-integrity host
// cannot write it itself); read by the control when it starts.
void requestCurrentDocumentMode(const std::wstring& programFileName);

} // namespace platform
