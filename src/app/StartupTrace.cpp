#include "app/StartupTrace.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

void StartupTrace::WatchIfRequested(QWidget* widget) {
    if (!qEnvironmentVariableIsSet("MORVIX_STARTUP_TRACE"))
        return;
    widget->installEventFilter(new StartupTrace(widget));
}

bool StartupTrace::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // Stamp once the paint has been handled and flushed, not when it is about to start.
        QTimer::singleShot(0, this, [] {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::fprintf(stderr, "first-paint %lld.%09ld\n", static_cast<long long>(now.tv_sec),
                         now.tv_nsec);
            std::fflush(stderr);
        });
    }
    return false;
}
