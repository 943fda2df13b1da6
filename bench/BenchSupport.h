#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

// Wall-clock and thread-CPU time in milliseconds, and a few statistics for the benchmarks.
namespace bench {

inline double wallMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values[values.size() / 2];
}

inline double best(const QList<double> &values)
{
    return values.isEmpty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// A field of /proc/PID/status such as "VmRSS", in KiB.
inline qint64 statusKiB(qint64 pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field)) + 1)
                .trimmed()
                .split(' ')
                .first()
                .toLongLong();
    }
    return 0;
}

} // namespace bench
