#pragma once

#include <QMetaType>
#include <QtGlobal>

// Who made a change: the panel's own keys and pointer, a script, a control surface, a web page or
// a running fade. `client` tells apart the clients of one kind (one script's connection from
// another's), so a client can leave out the echo of its own change.
struct ChangeOrigin {
    enum class Kind { Panel, Script, Surface, Web, Fade };

    Kind kind = Kind::Panel;
    quint64 client = 0;

    static ChangeOrigin Panel() { return {}; }
    static ChangeOrigin Fade() { return {Kind::Fade, 0}; }
    bool operator==(const ChangeOrigin&) const = default;
};
Q_DECLARE_METATYPE(ChangeOrigin)

inline const char* OriginName(ChangeOrigin::Kind kind) {
    switch (kind) {
    case ChangeOrigin::Kind::Panel:
        return "panel";
    case ChangeOrigin::Kind::Script:
        return "script";
    case ChangeOrigin::Kind::Surface:
        return "surface";
    case ChangeOrigin::Kind::Web:
        return "web";
    case ChangeOrigin::Kind::Fade:
        return "fade";
    }
    return "panel";
}
