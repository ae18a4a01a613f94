// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The advert host's process as the panel sees it: started with a restricted
// token at low integrity inside a Job object that bounds its memory,
// processor rate and use of the desktop, and ends it with the program; spoken
// to over two pipes. Everything that can wait on the host waits on a thread
// of this object's own, never on its caller's. Free of Qt, so that the MinGW
// syntax check reaches it; systemwebview_win.cpp drives it.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    bool restricted = false; // every privilege but change-notify taken from it
    bool desktopLimited = false; // the job's limits on clipboard, desktop, handles
    bool processorCapped = false; // the job's processor rate control
};

class AdvertHostProcess {
public:
    // Lines read ahead of the panel at most: past this the reader stops
    // reading, so that a host flooding its pipe waits on its own writes.
    static constexpr std::size_t kLinesInFlight = 16;

    // Called on the reader thread once there is something to take(), and
    // not again until take() has been called: the one taking the lines has
    // at most one notice of them outstanding.
    struct Events {
        std::function<void()> waiting;
    };

    // What take() hands over: the host's lines (without their "\n", at most
    // advert::kMaxLineLength long), how many longer ones were dropped since,
    // and whether the process is gone, once every line it wrote before is
    // taken. Gone comes once.
    struct Taken {
        std::vector<std::string> lines;
        int dropped = 0;
        bool gone = false;
    };

    // Starts program with parent (the panel's window) on its command line,
    // suspended until it is in its job. Nothing is started, and nullptr
    // returned, when the restricted low-integrity token, the job or the pipes
    // cannot be had: the advert never runs with the user's full rights.
    static std::unique_ptr<AdvertHostProcess> start(const std::wstring& program, HWND parent,
                                                    const AdvertHostBounds& bounds, Events events);
    // Ends the process (and everything in its job) and joins the pipe threads.
    ~AdvertHostProcess();

    AdvertHostProcess(const AdvertHostProcess&) = delete;
    AdvertHostProcess& operator=(const AdvertHostProcess&) = delete;

    Taken take();
    // Queued for the writer thread: never blocks, whatever the host does.
    void send(std::string line);
    // Ends the process at once; gone follows from the reader. From any thread.
    void end();
    // Whether the process is gone within the time (from any thread).
    bool waitGone(DWORD milliseconds) const;
    std::optional<AdvertHostUsage> usage() const;
    DWORD processId() const { return m_processId; }
    AdvertHostRights rights() const { return m_rights; }
    AdvertHostBounds bounds() const { return m_bounds; }
    // The most lines the reader held for take() at once.
    std::size_t mostLinesHeld() const;

private:
    AdvertHostProcess() = default;
    std::int64_t threadTimes() const;
    static DWORD WINAPI readLoop(void* self);
    static DWORD WINAPI writeLoop(void* self);
    void read();
    bool readInto(std::vector<char>& buffer, DWORD& got, bool processGone);
    bool hold(std::string_view line);
    void notify();
    void write();

    Events m_events;
    HANDLE m_job = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    HANDLE m_fromHost = nullptr; // our end, overlapped
    HANDLE m_toHost = nullptr; // our end, overlapped
    HANDLE m_stop = nullptr; // set when the threads are to return
    HANDLE m_reader = nullptr;
    HANDLE m_writer = nullptr;
    AdvertHostRights m_rights;
    AdvertHostBounds m_bounds;

    // Win32's own lock and conditions: the MinGW syntax check's library has
    // no std::mutex.
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_wake = CONDITION_VARIABLE_INIT; // lines to send
    CONDITION_VARIABLE m_room = CONDITION_VARIABLE_INIT; // room for lines read
    std::deque<std::string> m_queue; // to send
    std::vector<std::string> m_lines; // read, not yet taken
    std::size_t m_mostHeld = 0;
    int m_dropped = 0; // not yet taken
    bool m_ended = false; // the reader is done
    bool m_goneTaken = false;
    bool m_noticed = false; // waiting() called, take() not yet
    bool m_stopping = false;
};

// Asks the browser control for Internet Explorer 11's document mode for the
// program of that file name, under the user's key (the low-integrity host
// cannot write it itself); read by the control when it starts.
void requestCurrentDocumentMode(const std::wstring& programFileName);

} // namespace platform
