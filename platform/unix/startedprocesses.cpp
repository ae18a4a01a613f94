// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unix/startedprocesses.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>

namespace platform {

namespace {

// Whether the process is still the program that was started under that id,
// and not a later process that was given the same id.
bool isRunning(const long long pid, const QString& program)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile cmdline(proc + QStringLiteral("cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return false;
    const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
    if (argv0 == QFile::encodeName(program))
        return true;
    const QString started = QFileInfo(program).canonicalFilePath();
    return !started.isEmpty() && QFileInfo(proc + QStringLiteral("exe")).canonicalFilePath() == started;
}

} // namespace

bool StartedProcesses::start(const QString& program)
{
    std::erase_if(m_started, [](const Started& s) { return !isRunning(s.pid, s.program); });
    qint64 pid = 0;
    if (!QProcess::startDetached(program, {}, QString(), &pid))
        return false;
    m_started.push_back({pid, program});
    return true;
}

bool StartedProcesses::endLatest()
{
    while (!m_started.empty()) {
        const Started started = m_started.back();
        m_started.pop_back();
        if (isRunning(started.pid, started.program)) {
            ::kill(static_cast<pid_t>(started.pid), SIGTERM);
            return true;
        }
    }
    return false;
}

} // namespace platform
