#pragma once

#include <QDateTime>
#include <QString>

// The status-bar clock: "  2024. 05. 07 [ 24 : 05 : 09 ]"; the hour after midnight reads 24.
QString ClockText(const QDateTime& localTime);
