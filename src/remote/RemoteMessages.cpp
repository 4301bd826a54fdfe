#include "remote/RemoteProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace RemoteProtocol {
namespace {

QByteArray Json(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QJsonArray SceneArray(const SceneViews& scenes) {
    QJsonArray array;
    for (int s = 0; s < SCENE_SLOTS; ++s)
        array.append(QJsonObject{
            {"slot", s + 1}, {"stored", scenes[s].stored}, {"fade", scenes[s].fadeSeconds}});
    return array;
}

QJsonObject FadeObject(bool running, const QString& text) {
    return {{"running", running}, {"text", text}};
}

// The page tells its own changes apart by this; other kinds' client numbers mean nothing to it.
qint64 WebClient(ChangeOrigin origin) {
    return origin.kind == ChangeOrigin::Kind::Web ? static_cast<qint64>(origin.client) : 0;
}

} // namespace

QString ChannelName(int channel) {
    return QStringLiteral("%1CH").arg(channel + 1);
}

QByteArray SnapshotMessage(const Snapshot& s) {
    QJsonArray channels;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        channels.append(QJsonObject{{"ch", c + 1},
                                    {"name", s.channels[c].name},
                                    {"level", s.channels[c].level},
                                    {"on", s.channels[c].on}});
    return Json({{"type", "snapshot"},
                 {"client", static_cast<qint64>(s.client)},
                 {"channels", channels},
                 {"link", QString::fromLatin1(LinkStateName(s.link))},
                 {"scenes", SceneArray(s.scenes)},
                 {"fade", FadeObject(s.fading, s.fadeText)}});
}

QByteArray ChannelMessage(int channel, bool on, int level, ChangeOrigin origin) {
    return Json({{"type", "channel"},
                 {"ch", channel + 1},
                 {"level", level},
                 {"on", on},
                 {"origin", QString::fromLatin1(OriginName(origin.kind))},
                 {"client", WebClient(origin)}});
}

QByteArray LinkMessage(LinkState state) {
    return Json({{"type", "link"}, {"state", QString::fromLatin1(LinkStateName(state))}});
}

QByteArray FadeMessage(bool running, const QString& text) {
    QJsonObject o = FadeObject(running, text);
    o.insert("type", "fade");
    return Json(o);
}

QByteArray ScenesMessage(const SceneViews& scenes) {
    return Json({{"type", "scenes"}, {"scenes", SceneArray(scenes)}});
}

QByteArray RefusedMessage(std::optional<qint64> id, const QString& reason) {
    QJsonObject o{{"type", "refused"}, {"reason", reason}};
    if (id)
        o.insert("id", *id);
    return Json(o);
}

QByteArray NoticeMessage(const QString& text) {
    return Json({{"type", "notice"}, {"text", text}});
}

QByteArray PongMessage() {
    return Json({{"type", "pong"}});
}

} // namespace RemoteProtocol
