#pragma once

#include "model/LinkState.h"
#include "model/SceneLimits.h"
#include "session/ChangeOrigin.h"
#include "session/SessionRequest.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// What the browser page and the panel say to each other over the WebSocket on /ws, written once
// for the server, its tests and the fuzz target. Every message is a JSON object in one text frame.
//
// The link is http://HOST:PORT/#TOKEN: the token stays in the fragment, so no page request carries
// it. The page opens ws://HOST:PORT/ws?t=TOKEN and sends {"t":TOKEN,"op":...,"id":N,...}:
//   level {ch, level}   switch {ch, on}   alloff {}   recall {slot}   store {slot}   stop {}
//   ping {}
// Channels and slots are 1..8, levels 0..255; "id" is optional and comes back with a refusal.
// The panel sends: snapshot (on connect), channel, link, fade, scenes, refused, notice, pong.
namespace RemoteProtocol {

inline constexpr int kDefaultPort = 8130;
// A taken port: the next ones are tried, this many in all.
inline constexpr int kPortsTried = 20;
inline constexpr int kMaxMessageBytes = 4096;
inline constexpr int kMaxClients = 16;
inline constexpr int kMaxMessagesPerSecond = 200;
inline constexpr int kPingPeriodMs = 10'000;
// A socket that answered nothing for this long is taken for half-open.
inline constexpr int kSilenceLimitMs = 20'000;
// The token's random bits, before base64url.
inline constexpr int kTokenBytes = 16;

inline constexpr char kSocketPath[] = "/ws";
inline constexpr char kTokenQuery[] = "t";

// Close codes and reasons the page acts on.
inline constexpr int kCloseBadToken = 4001;
inline constexpr char kReasonBadToken[] = "ask for a new link";
inline constexpr int kCloseTooManyClients = 4008;
inline constexpr char kReasonTooManyClients[] = "too many clients";
inline constexpr int kCloseGoingAway = 1001;
inline constexpr char kReasonGoingAway[] = "remote turned off";

enum class Op { Level, Switch, AllOff, Recall, Store, Stop, Ping };

// One message from a page, read and checked; `refusal` says why it cannot be acted on.
struct PageMessage {
    Op op = Op::Ping;
    std::optional<qint64> id;
    QString token;
    bool hasToken = false;
    SessionRequest request;
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};

// Reads one text message: size, JSON, fields, types and ranges. The token is only read here;
// the caller compares it.
PageMessage ParsePageMessage(const QByteArray& text);
// Whether the op changes anything, and so needs the token.
bool IsChange(Op op);

struct ChannelView {
    QString name;
    int level = 0;
    bool on = false;
};
struct SceneView {
    bool stored = false;
    double fadeSeconds = 0.0;
};
using SceneViews = std::array<SceneView, SCENE_SLOTS>;

struct Snapshot {
    quint64 client = 0;
    std::array<ChannelView, CHANNEL_COUNT> channels;
    LinkState link = LinkState::Closed;
    SceneViews scenes;
    bool fading = false;
    QString fadeText;
};

// What the panel shows beside the row (0..7).
QString ChannelName(int channel);

QByteArray SnapshotMessage(const Snapshot& snapshot);
// Channel 0..7, as the session announces it.
QByteArray ChannelMessage(int channel, bool on, int level, ChangeOrigin origin);
QByteArray LinkMessage(LinkState state);
QByteArray FadeMessage(bool running, const QString& text);
QByteArray ScenesMessage(const SceneViews& scenes);
QByteArray RefusedMessage(std::optional<qint64> id, const QString& reason);
QByteArray NoticeMessage(const QString& text);
QByteArray PongMessage();

} // namespace RemoteProtocol
