#pragma once

#include <QDateTime>
#include <QString>

// The status-bar clock: "  2024. 05. 07 [ 24 : 05 : 09 ]"; the hour after midnight reads 24.
QString ClockText(const QDateTime& localTime);

// The clock ticks once a second, each time a little after the second has begun: the timer runs on
// the steady clock, and the wall clock may be slewed meanwhile.
inline constexpr int kClockPeriodMs = 1000;
inline constexpr int kClockTickLateMs = 2;
// The wait from now to the clock's next tick, so the pane turns with the second rather than up to
// a second after it.
int MsUntilClockTick(const QTime& now);
