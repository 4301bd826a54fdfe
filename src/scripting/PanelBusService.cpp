#include "scripting/PanelBusService.h"

#include "paneladaptor.h"
#include "scripting/BusNames.h"
#include "scripting/RemoteBusPort.h"
#include "scripting/SurfaceBusPort.h"
#include "session/DeviceSession.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

PanelBusService::PanelBusService(DeviceSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_bus(QString()) {
    RegisterChannelStateTypes();
    new PanelAdaptor(this);
    connect(
        &session, &DeviceSession::ChannelChanged, this,
        [this](int channel, bool on, int level) { Q_EMIT ChannelChanged(channel + 1, on, level); });
    connect(&session, &DeviceSession::SelectedChannelChanged, this, [this](int channel) {
        AnnounceProperties({{QStringLiteral("SelectedChannel"), channel + 1}});
    });
    // The lamp's state and whether the port is open move together.
    connect(&session, &DeviceSession::LinkStateChanged, this, [this](LinkState state) {
        AnnounceProperties(
            {{QStringLiteral("LinkState"), QString::fromLatin1(LinkStateName(state))},
             {QStringLiteral("PortOpen"), PortOpen()}});
    });
    connect(&session, &DeviceSession::PortChanged, this, [this](const QString& port) {
        AnnounceProperties({{QStringLiteral("Port"), port}});
    });
    connect(&session, &DeviceSession::FadingChanged, this, [this](bool fading) {
        AnnounceProperties({{QStringLiteral("Fading"), fading}});
    });
}

PanelBusService::~PanelBusService() {
    if (m_registered) {
        m_bus.unregisterService(MorvixBus::Service());
        m_bus.unregisterObject(MorvixBus::Path());
    }
}

bool PanelBusService::Register(QDBusConnection bus) {
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(MorvixBus::Path(), this, QDBusConnection::ExportAdaptors))
        return false;
    // No queueing and no replacement: a second panel must learn at once that one runs.
    const auto reply = bus.interface()->registerService(
        MorvixBus::Service(), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(MorvixBus::Path());
        return false;
    }
    m_bus = bus;
    m_registered = true;
    return true;
}

QString PanelBusService::Port() const {
    return m_session.Settings().PortName();
}
bool PanelBusService::PortOpen() const {
    return m_session.PortOpen();
}
QString PanelBusService::LinkStateText() const {
    return QString::fromLatin1(LinkStateName(m_session.CurrentLinkState()));
}
int PanelBusService::SelectedChannel() const {
    return m_session.Channels().Selected() + 1;
}

bool PanelBusService::Fading() const {
    return m_session.Fading();
}

void PanelBusService::Ask(const SessionRequest& request) {
    // Each connection on the bus is a client of its own, so a script can tell its own changes.
    const quint64 client = calledFromDBus() ? qHash(message().service()) : 0;
    Reply(m_session.Request(request, {ChangeOrigin::Kind::Script, client}));
}

void PanelBusService::Reply(const SessionAnswer& answer) {
    if (answer.ok() || !calledFromDBus())
        return;
    switch (answer.problem) {
    case SessionAnswer::Problem::Preset:
        sendErrorReply(MorvixBus::PresetError(), answer.text);
        break;
    case SessionAnswer::Problem::Scene:
        sendErrorReply(MorvixBus::SceneError(), answer.text);
        break;
    default:
        sendErrorReply(QDBusError::InvalidArgs, answer.text);
        break;
    }
}

void PanelBusService::SetChannel(int channel, bool on, int level) {
    Ask(SessionRequest::Set(channel, on, level));
}

void PanelBusService::SetLevel(int channel, int level) {
    Ask(SessionRequest::Level(channel, level));
}

void PanelBusService::SetSwitch(int channel, bool on) {
    Ask(SessionRequest::Switch(channel, on));
}

void PanelBusService::Step(int channel, int delta) {
    Ask(SessionRequest::Step(channel, delta));
}

void PanelBusService::AllOff() {
    Ask(SessionRequest::AllOff());
}

ChannelStates PanelBusService::Channels() const {
    ChannelStates states;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        states.append({m_session.Channels().On(c), m_session.Channels().Level(c)});
    return states;
}

void PanelBusService::LoadPreset(const QString& path) {
    Ask(SessionRequest::LoadPreset(path));
}

void PanelBusService::Fade(const ChannelStates& channels, double seconds) {
    std::vector<SessionRequest::Target> targets;
    for (const ChannelState& channel : channels)
        targets.push_back({channel.on, channel.level});
    Ask(SessionRequest::Fade(std::move(targets), seconds));
}

void PanelBusService::FadeToPreset(const QString& path, double seconds) {
    Ask(SessionRequest::FadeToPreset(path, seconds));
}

void PanelBusService::RecallScene(int slot) {
    Ask(SessionRequest::RecallScene(slot));
}

void PanelBusService::StoreScene(int slot) {
    Ask(SessionRequest::StoreScene(slot));
}

void PanelBusService::StopFade() {
    Ask(SessionRequest::StopFade());
}

void PanelBusService::Raise() {
    Q_EMIT RaiseRequested();
}

RemoteBusPort* PanelBusService::Remote() {
    if (!m_remote && calledFromDBus())
        sendErrorReply(MorvixBus::RemoteError(),
                       QStringLiteral("this panel has no browser remote"));
    return m_remote;
}

QVariantMap PanelBusService::RemoteState() {
    RemoteBusPort* remote = Remote();
    if (!remote)
        return {};
    const RemoteBusPort::State s = remote->RemoteState();
    return {{QStringLiteral("running"), s.running}, {QStringLiteral("lan"), s.lan},
            {QStringLiteral("port"), s.port},       {QStringLiteral("link"), s.link},
            {QStringLiteral("clients"), s.clients}, {QStringLiteral("saveError"), s.saveError}};
}

QString PanelBusService::RemoteOn(bool lan) {
    RemoteBusPort* remote = Remote();
    if (!remote)
        return {};
    if (const QString why = remote->TurnOn(lan); !why.isEmpty()) {
        if (calledFromDBus())
            sendErrorReply(MorvixBus::RemoteError(), why);
        return {};
    }
    return remote->RemoteState().link;
}

void PanelBusService::RemoteOff() {
    if (RemoteBusPort* remote = Remote())
        remote->TurnOff();
}

QString PanelBusService::RemoteNewLink() {
    RemoteBusPort* remote = Remote();
    if (!remote)
        return {};
    remote->NewLink();
    return remote->RemoteState().link;
}

void PanelBusService::AnnounceProperties(const QVariantMap& changed) {
    if (!m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        MorvixBus::Path(), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << MorvixBus::Interface() << changed << QStringList();
    m_bus.send(signal);
}

QString PanelBusService::Surface() const {
    return m_surface ? m_surface->Summary() : QStringLiteral("off");
}

void PanelBusService::AnnounceSurface() {
    AnnounceProperties({{QStringLiteral("Surface"), Surface()}});
}

QStringList PanelBusService::SurfacePorts() {
    QString error = QStringLiteral("this panel has no control surface");
    const QStringList ports = m_surface ? m_surface->Ports(error) : QStringList();
    if (!error.isEmpty() && calledFromDBus())
        sendErrorReply(MorvixBus::SurfaceError(), error);
    return ports;
}

void PanelBusService::UseSurface(const QString& port, const QString& profile) {
    const QString problem = m_surface ? m_surface->Use(port, profile)
                                      : QStringLiteral("this panel has no control surface");
    if (!problem.isEmpty() && calledFromDBus())
        sendErrorReply(MorvixBus::SurfaceError(), problem);
}

void PanelBusService::SurfaceOff() {
    if (m_surface)
        m_surface->Off();
    else if (calledFromDBus())
        sendErrorReply(MorvixBus::SurfaceError(),
                       QStringLiteral("this panel has no control surface"));
}
