#pragma once

#include <QDir>
#include <QString>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>

// The threads of this process, for benchmarks that count the panel's own CPU apart from the
// simulator's thread running beside it.

// Every name in /proc/self/task is a thread id.
inline std::set<int> ThreadIds() {
    std::set<int> tids;
    for (const QString& name : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs))
        if (bool ok = false; name.toInt(&ok), ok)
            tids.insert(name.toInt());
    return tids;
}

// Nanoseconds on a CPU of every thread of this process except `skip` (the simulator's).
inline std::int64_t CpuNs(int skip) {
    std::int64_t sum = 0;
    for (int tid : ThreadIds()) {
        if (tid == skip)
            continue;
        std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/schedstat");
        std::int64_t ns = 0;
        if (stat >> ns)
            sum += ns;
    }
    return sum;
}
