// morvix-ctl: scripts the running panel over the session bus.
#include "model/Channels.h"
#include "scripting/CtlArguments.h"
#include "scripting/CtlOutput.h"
#include "scripting/MorvixClient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitBadArguments = 2;
constexpr int kExitNotRunning = 3;

void Print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

int Finish(const MorvixClient::Result& result) {
    if (result.ok())
        return 0;
    Print(stderr, QStringLiteral("morvix-ctl: %1\n").arg(result.message));
    return result.outcome == MorvixClient::Outcome::NotRunning ? kExitNotRunning : kExitRefused;
}

int Watch(QCoreApplication& app, MorvixClient& client) {
    // Ask once first, so a watch on a panel that is not there fails at once.
    MorvixClient::Status status;
    if (const auto result = client.ReadStatus(status); !result.ok())
        return Finish(result);
    if (!client.Watch())
        return Finish({MorvixClient::Outcome::Refused, QStringLiteral("cannot watch the panel")});
    QObject::connect(&client, &MorvixClient::ChannelChanged, &client,
                     [](int channel, bool on, int level) {
                         Print(stdout, FormatChannelLine(channel, on, level));
                     });
    QObject::connect(&client, &MorvixClient::PropertyChanged, &client,
                     [](const QString& name, const QVariant& value) {
                         Print(stdout, FormatPropertyLine(name, value));
                     });
    QObject::connect(&client, &MorvixClient::PanelGone, &app, [&app] {
        app.exit(
            Finish({MorvixClient::Outcome::NotRunning, QStringLiteral("Morvix is not running")}));
    });
    return app.exec();
}

// One channel's fade leaves the other seven where they stand; its switch stays as it is.
MorvixClient::Result FadeOneChannel(MorvixClient& client, const CtlRequest& request) {
    ChannelStates targets;
    if (const auto result = client.Channels(targets); !result.ok())
        return result;
    if (targets.size() != CHANNEL_COUNT)
        return {MorvixClient::Outcome::Refused, QStringLiteral("unexpected answer to Channels")};
    targets[request.channel - 1].level = request.level;
    return client.Fade(targets, request.seconds);
}

MorvixClient::Result StartFade(MorvixClient& client, const CtlRequest& request) {
    // Subscribed before the fade starts, so a short one cannot end unseen.
    if (request.wait && !client.Watch())
        return {MorvixClient::Outcome::Refused, QStringLiteral("cannot watch the panel")};
    MorvixClient::Result started;
    if (request.command == CtlRequest::Command::FadeChannel)
        started = FadeOneChannel(client, request);
    else if (request.command == CtlRequest::Command::Scene)
        started = client.RecallScene(request.slot);
    else
        // The panel runs in another folder: a relative name means one in ours.
        started = client.FadeToPreset(QFileInfo(request.path).absoluteFilePath(), request.seconds);
    if (!started.ok() || !request.wait)
        return started;
    return client.WaitUntilFadeEnds();
}

// The current choice, then the ports; with no sequencer the choice is still printed.
int ShowSurface(MorvixClient& client) {
    QString summary;
    if (const auto result = client.Surface(summary); !result.ok())
        return Finish(result);
    QStringList ports;
    const auto listed = client.SurfacePorts(ports);
    Print(stdout, FormatSurface(summary, ports));
    return Finish(listed);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const CtlRequest request = ParseCtlArguments(app.arguments().mid(1));
    if (!request.error.isEmpty()) {
        Print(stderr, QStringLiteral("morvix-ctl: %1\n").arg(request.error));
        return kExitBadArguments;
    }

    using Command = CtlRequest::Command;
    if (request.command == Command::Help) {
        Print(stdout, CtlUsage());
        return 0;
    }

    // Before the bus connection exists: its own thread reads the type table while it dispatches,
    // and a type added under it then comes out as "an invalid type" on stderr.
    RegisterChannelStateTypes();
    MorvixClient client;
    switch (request.command) {
    case Command::Get: {
        ChannelStates states;
        const auto result = client.Channels(states);
        if (result.ok())
            Print(stdout, FormatChannels(states, request.json));
        return Finish(result);
    }
    case Command::Status: {
        MorvixClient::Status status;
        const auto result = client.ReadStatus(status);
        if (result.ok())
            Print(stdout, FormatStatus(status));
        return Finish(result);
    }
    case Command::Set:
        return Finish(request.hasLevel
                          ? client.SetChannel(request.channel, request.on, request.level)
                          : client.SetSwitch(request.channel, request.on));
    case Command::Level:
        return Finish(client.SetLevel(request.channel, request.level));
    case Command::Step:
        return Finish(client.Step(request.channel, request.delta));
    case Command::Off:
        return Finish(client.AllOff());
    case Command::Preset:
        // The panel runs in another folder: a relative name means one in ours.
        return Finish(client.LoadPreset(QFileInfo(request.path).absoluteFilePath()));
    case Command::Watch:
        return Watch(app, client);
    case Command::FadeToPreset:
    case Command::FadeChannel:
    case Command::Scene:
        return Finish(StartFade(client, request));
    case Command::StoreScene:
        return Finish(client.StoreScene(request.slot));
    case Command::StopFade:
        return Finish(client.StopFade());
    case Command::Surface:
        return ShowSurface(client);
    case Command::SurfaceUse:
        return Finish(client.UseSurface(request.port, request.profile));
    case Command::SurfaceOff:
        return Finish(client.SurfaceOff());
    case Command::RemoteStatus: {
        QVariantMap state;
        const auto result = client.RemoteState(state);
        if (result.ok())
            Print(stdout, FormatRemoteState(state));
        return Finish(result);
    }
    case Command::RemoteOn:
    case Command::RemoteNewLink: {
        QString link;
        const auto result = request.command == Command::RemoteOn
                                ? client.RemoteOn(request.lan, link)
                                : client.RemoteNewLink(link);
        if (result.ok())
            Print(stdout, link + u'\n');
        return Finish(result);
    }
    case Command::RemoteOff:
        return Finish(client.RemoteOff());
    case Command::Help:
        break;
    }
    return 0;
}
