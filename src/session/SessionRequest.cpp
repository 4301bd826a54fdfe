#include "session/SessionRequest.h"

#include "model/ChannelArgs.h"

#include <QDir>

SessionRequest SessionRequest::Set(int channel, bool on, int level) {
    SessionRequest r = Of(Kind::Set);
    r.channel = channel;
    r.on = on;
    r.level = level;
    return r;
}
SessionRequest SessionRequest::Level(int channel, int level) {
    SessionRequest r = Of(Kind::Level);
    r.channel = channel;
    r.level = level;
    return r;
}
SessionRequest SessionRequest::Switch(int channel, bool on) {
    SessionRequest r = Of(Kind::Switch);
    r.channel = channel;
    r.on = on;
    return r;
}
SessionRequest SessionRequest::Toggle(int channel) {
    SessionRequest r = Of(Kind::Toggle);
    r.channel = channel;
    return r;
}
SessionRequest SessionRequest::Step(int channel, int delta) {
    SessionRequest r = Of(Kind::Step);
    r.channel = channel;
    r.delta = delta;
    return r;
}
SessionRequest SessionRequest::LoadPreset(const QString& path) {
    SessionRequest r = Of(Kind::LoadPreset);
    r.path = path;
    return r;
}
SessionRequest SessionRequest::Fade(std::vector<Target> targets, double seconds) {
    SessionRequest r = Of(Kind::Fade);
    r.targets = std::move(targets);
    r.seconds = seconds;
    return r;
}
SessionRequest SessionRequest::FadeToPreset(const QString& path, double seconds) {
    SessionRequest r = Of(Kind::FadeToPreset);
    r.path = path;
    r.seconds = seconds;
    return r;
}
SessionRequest SessionRequest::RecallScene(int slot) {
    SessionRequest r = Of(Kind::RecallScene);
    r.slot = slot;
    return r;
}
SessionRequest SessionRequest::StoreScene(int slot) {
    SessionRequest r = Of(Kind::StoreScene);
    r.slot = slot;
    return r;
}

namespace {

SessionAnswer Bad(const QString& text) {
    return {SessionAnswer::Problem::BadArgument, text};
}

// The caller's working folder means nothing to the panel.
QString CheckPath(const QString& path) {
    return QDir::isAbsolutePath(path)
               ? QString()
               : QStringLiteral("path must be absolute, not \"%1\"").arg(path);
}

QString CheckTargets(const std::vector<SessionRequest::Target>& targets) {
    if (targets.size() != CHANNEL_COUNT)
        return QStringLiteral("channels must hold %1 (on, level) pairs, not %2")
            .arg(CHANNEL_COUNT)
            .arg(targets.size());
    for (std::size_t c = 0; c < targets.size(); ++c) {
        if (const QString bad = ChannelArgs::CheckLevel(targets[c].level); !bad.isEmpty())
            return QStringLiteral("channels[%1]: %2").arg(c).arg(bad);
    }
    return {};
}

} // namespace

SessionAnswer CheckRequest(const SessionRequest& r) {
    using Kind = SessionRequest::Kind;
    QStringList problems;
    switch (r.kind) {
    case Kind::Set:
    case Kind::Level:
        problems << ChannelArgs::CheckChannel(r.channel) << ChannelArgs::CheckLevel(r.level);
        break;
    case Kind::Switch:
    case Kind::Toggle:
        problems << ChannelArgs::CheckChannel(r.channel);
        break;
    case Kind::Step:
        problems << ChannelArgs::CheckChannel(r.channel) << ChannelArgs::CheckDelta(r.delta);
        break;
    case Kind::LoadPreset:
        problems << CheckPath(r.path);
        break;
    case Kind::Fade:
        problems << CheckTargets(r.targets) << ChannelArgs::CheckSeconds(r.seconds);
        break;
    case Kind::FadeToPreset:
        problems << CheckPath(r.path) << ChannelArgs::CheckSeconds(r.seconds);
        break;
    case Kind::RecallScene:
    case Kind::StoreScene:
        problems << ChannelArgs::CheckSlot(r.slot);
        break;
    case Kind::AllOff:
    case Kind::StopFade:
        break;
    }
    for (const QString& problem : problems) {
        if (!problem.isEmpty())
            return Bad(problem);
    }
    return {};
}
