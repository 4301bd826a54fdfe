#include "FloodClient.h"

#include "LineLog.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdio>
#include <vector>

// The panel's published names: the bench talks to it as any outside program does.
QString ServiceName() {
    return QStringLiteral("org.qv.Morvix");
}
QString ObjectPath() {
    return QStringLiteral("/org/qv/Morvix");
}
QString InterfaceName() {
    return QStringLiteral("org.qv.Morvix.Panel");
}

int RunFloodClient(int channel, int rateHz, double seconds) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "client %d: no session bus\n", channel);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    char line[64] = {};
    long long startUs = 0;
    if (!std::fgets(line, sizeof line, stdin) || std::sscanf(line, "go %lld", &startUs) != 1) {
        std::fprintf(stderr, "client %d: no start time\n", channel);
        return 1;
    }

    const int calls = int(seconds * rateHz);
    const std::int64_t periodUs = 1'000'000 / rateHz;
    struct Call {
        std::int64_t tUs;
        int level;
        bool ok;
    };
    std::vector<Call> done;
    done.reserve(std::size_t(calls));
    QString firstError;
    for (int i = 0; i < calls; ++i) {
        // A late call goes at once: the client keeps its count, not its spacing.
        SleepUs(startUs + i * periodUs - MonotonicUs());
        const int level = FloodLevel(channel, i);
        QDBusMessage call = QDBusMessage::createMethodCall(
            ServiceName(), ObjectPath(), InterfaceName(), QStringLiteral("SetLevel"));
        call << channel << level;
        const std::int64_t sentUs = MonotonicUs();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
        const bool ok = reply.type() == QDBusMessage::ReplyMessage;
        if (!ok && firstError.isEmpty())
            firstError = reply.errorMessage();
        done.push_back({sentUs, level, ok});
    }
    for (const Call& c : done)
        std::printf("%lld %d %d\n", static_cast<long long>(c.tUs), c.level, c.ok ? 1 : 0);
    if (!firstError.isEmpty())
        std::fprintf(stderr, "client %d: %s\n", channel, qPrintable(firstError));
    return 0;
}
