#pragma once

#include <QString>

// Where the running panel can be reached on the user's session bus.
namespace MorvixBus {
inline QString Service() {
    return QStringLiteral("org.qv.Morvix");
}
inline QString Path() {
    return QStringLiteral("/org/qv/Morvix");
}
inline QString Interface() {
    return QStringLiteral("org.qv.Morvix.Panel");
}
// The panel's own refusals; bad arguments use the bus's standard InvalidArgs.
inline QString PresetError() {
    return QStringLiteral("org.qv.Morvix.Error.Preset");
}
// A scene slot that is empty or cannot be read or written.
inline QString SceneError() {
    return QStringLiteral("org.qv.Morvix.Error.Scene");
}
// The control surface: none in this panel, no sequencer, or a choice it cannot follow.
inline QString SurfaceError() {
    return QStringLiteral("org.qv.Morvix.Error.Surface");
}
// The browser remote is not there (a panel without one) or cannot listen.
inline QString RemoteError() {
    return QStringLiteral("org.qv.Morvix.Error.Remote");
}
} // namespace MorvixBus
