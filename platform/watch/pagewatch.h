// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The watch's rules for a page shown in the web panel, whatever shows it: the
// engine's renderer on Linux, a host process of the system's browser control
// on Windows. Plain C++ with no toolkit, no timers and no clock of its own:
// an adapter hands in each event with the time it happened (milliseconds on
// one steady clock of its choosing) and carries out the decision it gets
// back, then calls tick() again at the time that decision names. The "page
// process" is whatever process runs the page: ended, it takes the page with
// it; gone, it is reported with gone().

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace platform::watch {

using Ms = std::chrono::milliseconds;

// Never: nothing to look at until the next event.
inline constexpr Ms kNever = Ms::max();

// How long a page is given: to finish a load, to answer a ping. A second
// chance used comes back after retryWindow.
struct Patience {
    Ms load{20000};
    Ms response{10000};
    Ms retryWindow{std::chrono::minutes(10)};
};

// What a page may take. Its process is ended past memoryBytes resident, past
// busyShare of one core over busyPeriod while nothing loads (its own
// processor time and the program's together: a browser does much of a
// page's work, its network, storage and drawing, in the program's own
// process), or when the program's own process has grown by more than
// programGrowthBytes over the least it held since the page last went (a
// browser may keep what a page stores, Blobs, databases, caches, in the
// program's process, outside the page's: an adapter gives the page fresh
// storage each time it goes, that is after Reload, GiveUp and StopPage). A
// page that loads itself more than selfLoads times within selfLoadPeriod,
// asks the program for more than requests frame loads and script dialogs,
// or makes more than fetches network requests within the same period, is
// stopped and left empty.
struct Limits {
    std::int64_t memoryBytes = std::int64_t(512) << 20;
    double busyShare = 0.5;
    Ms busyPeriod{15000};
    int selfLoads = 5;
    Ms selfLoadPeriod{std::chrono::minutes(1)};
    int requests = 120;
    std::int64_t programGrowthBytes = std::int64_t(64) << 20;
    // A plain advert makes a handful (its page, pictures, scripts, styles),
    // a rich one some dozens at each load; a storm of fetches, beacons,
    // WebSockets or event streams makes hundreds a second.
    int fetches = 600;
};

// Why a page process is ended.
enum class Reason {
    Unfinished, // a load past its patience whose page is not shown
    Unanswered, // no answer to a ping within the patience
    Memory, // past the memory bound
    Busy, // past the busy share over the busy period
    ProgramMemory, // the program's own process grown past its bound
};

// The word the panel reports for a reason: "unfinished", "unanswered",
// "memory", "busy", "program memory".
const char* name(Reason reason);

enum class Action {
    None, // nothing to do (for selfLoad(), request() and fetch(): allowed)
    Ping, // ask the page something cheap; hand the answer to answered() with ping
    End, // end the page process for reason; gone() follows (or call it)
    StopLoad, // stop only the current load: the page is shown, a request lags
    Reload, // the page process is gone: load the page the panel asked for again
    GiveUp, // gone, and no second chance is left: leave the panel empty
    Refuse, // refuse the load or request just asked about
    StopPage, // refuse it, stop the page and leave the panel empty until the next load()
};

struct Decision {
    Action action = Action::None;
    Reason reason = Reason::Unfinished; // for End
    int ping = 0; // for Ping
    Ms next = kNever; // when to call tick() again
};

// What the page process uses, as far as it is known: its processor time so
// far and its resident memory; and the program's own resident memory and
// processor time so far (all its threads: what the browser does for the
// page there, and the window thread). Empty fields are not judged: a page
// run inside the program's own process has no process of its own to
// measure, only the program's.
struct Usage {
    std::optional<Ms> cpu;
    std::optional<std::int64_t> residentBytes;
    std::optional<std::int64_t> programBytes;
    std::optional<Ms> programCpu;
};

// One page's watch. Every load is watched the same way whichever way it
// began: the panel's own (load()), a reload after the process was gone, one
// the page started; a load whose start the engine never reports is watched
// from the moment it was asked for.
class PageWatch {
public:
    void setPatience(Patience patience) { m_patience = patience; }
    void setLimits(Limits limits) { m_limits = limits; }
    const Patience& patience() const { return m_patience; }
    const Limits& limits() const { return m_limits; }

    // The panel's own load, about to be started: fresh second chances and
    // a fresh count of the page's own loads and requests.
    Decision load(Ms now);
    // A load started (any: the panel's, a reload, the page's own).
    Decision loadStarted(Ms now);
    Decision loadFinished(Ms now);
    // The time asked for has come; with what the page process uses now.
    Decision tick(Ms now, const Usage& usage);
    // The answer to ping: whether the page is parsed and shown (its
    // document interactive or complete). Stale answers are ignored.
    Decision answered(Ms now, int ping, bool shown);
    // The page asks to load itself (reload, refresh, a script moving on):
    // None allows it.
    Decision selfLoad(Ms now);
    // The page asks the program for work: a frame's load, a script dialog.
    // None allows it.
    Decision request(Ms now);
    // The page makes a network request, of whatever kind. None allows it.
    Decision fetch(Ms now);
    // The page process is gone: ended here, crashed or killed.
    Decision gone(Ms now);

    // Whether the page was stopped (StopPage) since the panel's last load.
    bool stopped() const { return m_state == State::Stopped; }

private:
    enum class State { Idle, Watching, Ending, Stopped, GivenUp };

    Decision decide(Action action, Ms now);
    Decision end(Reason reason, Ms now);
    Decision startLoad(Ms now);
    Decision count(std::deque<Ms>& times, int limit, Ms now);
    Ms pingInterval() const;
    Ms nextLook(Ms now) const;
    bool loadOverdue(Ms now) const;

    static constexpr std::size_t kRetries = 2;
    static constexpr Ms kMemoryLook{250};
    static constexpr Ms kFastestMemoryLook{20};

    Patience m_patience;
    Limits m_limits;
    State m_state = State::Idle;
    // When the current load began; empty while nothing loads.
    std::optional<Ms> m_loadSince;
    // The ping awaiting its answer, and when it went out.
    int m_pings = 0;
    std::optional<Ms> m_pingSent;
    Ms m_nextPing{0};
    Ms m_nextMemoryLook{0};
    Ms m_endedAt{0};
    Reason m_endReason = Reason::Unfinished;
    std::vector<Ms> m_retriesUsed;
    std::deque<Ms> m_selfLoads;
    std::deque<Ms> m_requests;
    std::deque<Ms> m_fetches;
    struct CpuSample {
        Ms at;
        Ms cpu;
    };
    // Since nothing loads.
    std::deque<CpuSample> m_cpu;
    // How a process's memory went: its last sample, and the fastest it has
    // grown since the page last went (a fall now and then does not make
    // the next rise any slower).
    struct MemoryTrend {
        Ms at{0};
        std::int64_t bytes = -1;
        double fastestBytesPerMs = 0;

        // When to look again at bytes, now, to come before bound.
        Ms look(Ms now, std::int64_t bytes, std::int64_t bound);
    };
    MemoryTrend m_memory;
    MemoryTrend m_programMemory;
    // The program's least resident memory since the page last went.
    std::optional<std::int64_t> m_programBase;
};

} // namespace platform::watch
