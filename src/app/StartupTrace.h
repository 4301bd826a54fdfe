#pragma once

#include <QObject>

// With MORVIX_STARTUP_TRACE set, prints "first-paint <CLOCK_MONOTONIC seconds>" on stderr once the
// watched widget has painted for the first time, so a launcher can time the start-up.
class StartupTrace : public QObject {
    Q_OBJECT

public:
    static void WatchIfRequested(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
