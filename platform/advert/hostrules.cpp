// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/advert/hostrules.h"

namespace advert {
namespace {

constexpr Ms kMinute = std::chrono::minutes(1);

} // namespace

void OpenGate::userAction(Ms now)
{
    m_action = now;
}

bool OpenGate::mayOpen(Ms now)
{
    while (!m_opens.empty() && now - m_opens.front() >= kMinute)
        m_opens.pop_front();
    if (!m_action || now < *m_action || now - *m_action > m_limits.afterAction
        || int(m_opens.size()) >= m_limits.perMinute)
        return false;
    m_action.reset();
    m_opens.push_back(now);
    return true;
}

bool LineBudget::take(Ms now, bool wanted)
{
    // Both counted, so that a flood of any kind is bounded; each list holds
    // no more than its limit and one.
    const bool withinLines = count(m_lines, m_limits.lines, now);
    const bool withinUnwanted = wanted || count(m_unwanted, m_limits.unwanted, now);
    m_spent = m_spent || !withinLines || !withinUnwanted;
    return !m_spent;
}

bool LineBudget::count(std::deque<Ms>& times, int limit, Ms now)
{
    while (!times.empty() && now - times.front() >= m_limits.period)
        times.pop_front();
    times.push_back(now);
    if (int(times.size()) > limit + 1)
        times.pop_front();
    return int(times.size()) <= limit;
}

} // namespace advert
