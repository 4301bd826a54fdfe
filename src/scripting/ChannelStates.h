#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>

// One channel as Channels() returns it on the bus: (on, level), signature (bi).
struct ChannelState {
    bool on = false;
    int level = 0;
    bool operator==(const ChannelState&) const = default;
};
using ChannelStates = QList<ChannelState>;

Q_DECLARE_METATYPE(ChannelState)
Q_DECLARE_METATYPE(ChannelStates)

QDBusArgument& operator<<(QDBusArgument& out, const ChannelState& state);
const QDBusArgument& operator>>(const QDBusArgument& in, ChannelState& state);

// Once per process, before the type crosses the bus.
void RegisterChannelStateTypes();
