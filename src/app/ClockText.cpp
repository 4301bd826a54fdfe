#include "app/ClockText.h"

QString ClockText(const QDateTime& localTime) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    const int hour = time.hour() % 24 == 0 ? 24 : time.hour() % 24;
    return QString::asprintf("  %04d. %02d. %02d [ %02d : %02d : %02d ]", date.year(), date.month(),
                             date.day(), hour, time.minute(), time.second());
}

int MsUntilClockTick(const QTime& now) {
    // Woken a little before a second (the wall clock ran fast meanwhile): wait for that one, not
    // for the one after it.
    return kClockPeriodMs - now.msec() + kClockTickLateMs;
}
