// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/watch/pagewatch.h"

#include <algorithm>

namespace platform::watch {

const char* name(Reason reason)
{
    switch (reason) {
    case Reason::Unfinished: return "unfinished";
    case Reason::Unanswered: return "unanswered";
    case Reason::Memory: return "memory";
    case Reason::Busy: return "busy";
    case Reason::ProgramMemory: return "program memory";
    }
    return "";
}

Decision PageWatch::load(Ms now)
{
    m_retriesUsed.clear();
    m_selfLoads.clear();
    m_requests.clear();
    m_fetches.clear();
    m_state = State::Watching;
    m_memory = {};
    m_programMemory = {};
    return startLoad(now);
}

Decision PageWatch::loadStarted(Ms now)
{
    // A stopped page's empty replacement, or a load nobody asked for after
    // the page was given up, is not the page's.
    if (m_state != State::Watching)
        return decide(Action::None, now);
    return startLoad(now);
}

Decision PageWatch::loadFinished(Ms now)
{
    if (m_state == State::Watching) {
        m_loadSince.reset();
        m_pingSent.reset();
        m_cpu.clear();
    }
    return decide(Action::None, now);
}

Decision PageWatch::startLoad(Ms now)
{
    m_loadSince = now;
    m_pingSent.reset();
    m_nextPing = now;
    m_cpu.clear();
    m_nextMemoryLook = now + kMemoryLook;
    return decide(Action::None, now);
}

// The busy share is judged only while nothing loads (a load may well keep a
// core busy for a moment); memory always. A load past its patience, or a
// loaded page, is pinged every quarter of the patience (at most every
// 2.5 s: a ping costs next to nothing, but need not wake the page more
// often); a ping unanswered within the patience ends the process.
Decision PageWatch::tick(Ms now, const Usage& usage)
{
    if (m_state == State::Ending && now - m_endedAt > m_patience.response)
        return end(m_endReason, now); // the process outlived its ending
    if (m_state != State::Watching)
        return decide(Action::None, now);

    Ms next = kMemoryLook;
    if (usage.residentBytes) {
        const std::int64_t bytes = *usage.residentBytes;
        if (bytes > m_limits.memoryBytes)
            return end(Reason::Memory, now);
        next = std::min(next, m_memory.look(now, bytes, m_limits.memoryBytes));
    }

    // Measured from the least the program held since the page last went:
    // the panel's next load of the same page does not excuse what it stored.
    if (usage.programBytes) {
        const std::int64_t bytes = *usage.programBytes;
        if (!m_programBase || bytes < *m_programBase)
            m_programBase = bytes;
        const std::int64_t bound = *m_programBase + m_limits.programGrowthBytes;
        if (bytes > bound)
            return end(Reason::ProgramMemory, now);
        next = std::min(next, m_programMemory.look(now, bytes, bound));
    }
    m_nextMemoryLook = now + next;

    // The page's own processor time and the program's: work a page causes
    // in the program (its requests, its storage, its messages, drawing its
    // frames) is its work too.
    if ((usage.cpu || usage.programCpu) && !m_loadSince) {
        const Ms cpu = usage.cpu.value_or(Ms(0)) + usage.programCpu.value_or(Ms(0));
        m_cpu.push_back({now, cpu});
        // The oldest sample kept is the last one at least a busy period old.
        while (m_cpu.size() > 1 && now - m_cpu[1].at >= m_limits.busyPeriod)
            m_cpu.pop_front();
        const CpuSample& first = m_cpu.front();
        const Ms span = now - first.at;
        if (span >= m_limits.busyPeriod
            && double((cpu - first.cpu).count()) > m_limits.busyShare * double(span.count()))
            return end(Reason::Busy, now);
    }

    if (m_loadSince && !loadOverdue(now))
        return decide(Action::None, now);
    if (m_pingSent) {
        if (now - *m_pingSent > m_patience.response)
            return end(m_loadSince ? Reason::Unfinished : Reason::Unanswered, now);
        return decide(Action::None, now);
    }
    if (now < m_nextPing)
        return decide(Action::None, now);
    m_pingSent = now;
    m_nextPing = now + pingInterval();
    Decision ping = decide(Action::Ping, now);
    ping.ping = ++m_pings;
    return ping;
}

// A load past its patience whose page is already parsed and shown only
// waits for one of its requests (a slow picture or counter): that load is
// stopped and the page stays. Not shown, it is ended.
Decision PageWatch::answered(Ms now, int ping, bool shown)
{
    if (m_state != State::Watching || !m_pingSent || ping != m_pings)
        return decide(Action::None, now);
    m_pingSent.reset();
    if (!loadOverdue(now))
        return decide(Action::None, now);
    if (!shown)
        return end(Reason::Unfinished, now);
    m_loadSince.reset();
    m_cpu.clear();
    return decide(Action::StopLoad, now);
}

// Until the panel's next load, nothing more of the page's own: not while
// the stopped page may still ask before the empty one replaces it.
Decision PageWatch::selfLoad(Ms now)
{
    if (m_state == State::Stopped)
        return decide(Action::Refuse, now);
    return count(m_selfLoads, m_limits.selfLoads, now);
}

Decision PageWatch::request(Ms now)
{
    if (m_state == State::Stopped)
        return decide(Action::Refuse, now);
    return count(m_requests, m_limits.requests, now);
}

Decision PageWatch::fetch(Ms now)
{
    if (m_state == State::Stopped)
        return decide(Action::Refuse, now);
    return count(m_fetches, m_limits.fetches, now);
}

Decision PageWatch::count(std::deque<Ms>& times, int limit, Ms now)
{
    while (!times.empty() && now - times.front() >= m_limits.selfLoadPeriod)
        times.pop_front();
    times.push_back(now);
    if (int(times.size()) <= limit)
        return decide(Action::None, now);
    m_state = State::Stopped;
    m_programBase.reset();
    m_loadSince.reset();
    m_pingSent.reset();
    m_cpu.clear();
    return decide(Action::StopPage, now);
}

// The page is loaded again at once, but only a few times within the retry
// window for each load the panel asked for, so a page that always fails is
// given up instead of burning a processor for the rest of the run. The
// reload is watched from now, whether or not its start is ever reported.
Decision PageWatch::gone(Ms now)
{
    if (m_state != State::Watching && m_state != State::Ending)
        return decide(Action::None, now);
    m_memory = {};
    m_programMemory = {};
    m_programBase.reset();
    std::erase_if(m_retriesUsed, [&](Ms used) { return now - used >= m_patience.retryWindow; });
    if (m_retriesUsed.size() >= kRetries) {
        m_state = State::GivenUp;
        m_loadSince.reset();
        m_pingSent.reset();
        m_cpu.clear();
        return decide(Action::GiveUp, now);
    }
    m_retriesUsed.push_back(now);
    m_state = State::Watching;
    startLoad(now);
    return decide(Action::Reload, now);
}

Decision PageWatch::end(Reason reason, Ms now)
{
    m_state = State::Ending;
    m_endReason = reason;
    m_endedAt = now;
    m_loadSince.reset();
    m_pingSent.reset();
    m_cpu.clear();
    m_memory = {};
    m_programMemory = {};
    Decision decision = decide(Action::End, now);
    decision.reason = reason;
    return decision;
}

Decision PageWatch::decide(Action action, Ms now)
{
    return Decision{action, Reason::Unfinished, 0, nextLook(now)};
}

bool PageWatch::loadOverdue(Ms now) const
{
    return m_loadSince && now - *m_loadSince > m_patience.load;
}

// A page can allocate a gigabyte a second: once memory has grown fast, the
// next look comes before it could pass its bound at that pace, halfway
// there.
Ms PageWatch::MemoryTrend::look(Ms now, std::int64_t newBytes, std::int64_t bound)
{
    if (bytes >= 0 && newBytes > bytes) {
        const double perMs = double(newBytes - bytes) / double(std::max<std::int64_t>(1, (now - at).count()));
        fastestBytesPerMs = std::max(fastestBytesPerMs, perMs);
    }
    at = now;
    bytes = newBytes;
    if (fastestBytesPerMs <= 0)
        return kMemoryLook;
    const double halfWayToBound = double(bound - newBytes) / fastestBytesPerMs / 2;
    return std::clamp(Ms(std::int64_t(halfWayToBound)), kFastestMemoryLook, kMemoryLook);
}

Ms PageWatch::pingInterval() const
{
    return std::clamp(std::min(m_patience.load, m_patience.response) / 4, Ms(250), Ms(2500));
}

Ms PageWatch::nextLook(Ms now) const
{
    switch (m_state) {
    case State::Ending: return m_endedAt + m_patience.response + Ms(1);
    case State::Watching: break;
    default: return kNever;
    }
    Ms ping = m_nextPing;
    if (m_pingSent)
        ping = *m_pingSent + m_patience.response + Ms(1);
    else if (m_loadSince)
        ping = std::max(ping, *m_loadSince + m_patience.load + Ms(1));
    return std::max(now, std::min(m_nextMemoryLook, ping));
}

} // namespace platform::watch
