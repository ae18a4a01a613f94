// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/processusage.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <malloc.h>
#include <unistd.h>

namespace platform {
namespace {

QByteArray procFile(std::int64_t pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The processor time in a stat file: "pid (comm) state ppid ...": the
// command may hold blanks and parentheses, so the fields are counted from
// its last ')'; utime and stime are the 12th and 13th after it, in ticks.
std::optional<std::int64_t> cpuMilliseconds(const QByteArray& stat)
{
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    const std::int64_t ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    return ticks * 1000 / ticksPerSecond;
}

} // namespace

std::optional<ProcessUsage> processUsage(std::int64_t pid)
{
    if (pid <= 0)
        return std::nullopt;
    // statm: size resident shared ..., in pages.
    const QByteArray statm = procFile(pid, "statm");
    const std::optional<std::int64_t> cpu = cpuMilliseconds(procFile(pid, "stat"));
    if (statm.isEmpty() || !cpu)
        return std::nullopt;
    static const long pageSize = ::sysconf(_SC_PAGESIZE);
    return ProcessUsage{statm.split(' ').value(1).toLongLong() * pageSize, *cpu};
}

void giveBackFreedMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

} // namespace platform
