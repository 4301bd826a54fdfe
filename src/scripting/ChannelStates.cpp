#include "scripting/ChannelStates.h"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& out, const ChannelState& state) {
    out.beginStructure();
    out << state.on << state.level;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ChannelState& state) {
    in.beginStructure();
    in >> state.on >> state.level;
    in.endStructure();
    return in;
}

void RegisterChannelStateTypes() {
    qDBusRegisterMetaType<ChannelState>();
    qDBusRegisterMetaType<ChannelStates>();
}
