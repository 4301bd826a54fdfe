#include "LineLog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <time.h>

std::int64_t MonotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

void SleepUs(std::int64_t us) {
    if (us <= 0)
        return;
    const timespec ts{time_t(us / 1'000'000), long(us % 1'000'000) * 1000};
    nanosleep(&ts, nullptr);
}

bool LineLog::open(const QString& path) {
    m_file.setFileName(path);
    return m_file.open(QIODevice::ReadOnly);
}

int LineLog::poll() {
    if (!m_file.isOpen())
        return 0;
    m_partial += m_file.readAll();
    int added = 0;
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1) {
        const QJsonObject e = QJsonDocument::fromJson(m_partial.mid(start, end - start)).object();
        if (e.value(QLatin1String("dir")).toString() != QLatin1String("rx") ||
            !e.value(QLatin1String("valid")).toBool())
            continue;
        DeviceFrame f;
        f.tUs = e.value(QLatin1String("t_us")).toInteger();
        f.set = e.value(QLatin1String("cmd")).toString() == QLatin1String("set");
        f.channel = e.value(QLatin1String("channel")).toInt();
        f.level = e.value(QLatin1String("level")).toInt();
        m_frames.push_back(f);
        ++added;
    }
    m_partial.remove(0, start);
    return added;
}

bool LineLog::waitForQuietLine(int quietMs, int timeoutMs) {
    const auto lastSet = [this] {
        for (auto it = m_frames.rbegin(); it != m_frames.rend(); ++it)
            if (it->set)
                return it->tUs;
        return std::int64_t(0);
    };
    return waitFor([&] { return MonotonicUs() - lastSet() >= std::int64_t(quietMs) * 1000; },
                   timeoutMs);
}
