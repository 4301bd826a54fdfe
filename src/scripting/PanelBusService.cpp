#include "scripting/PanelBusService.h"

#include "panel/PanelController.h"
#include "scripting/BusNames.h"
#include "scripting/ChannelArgs.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>

PanelBusService::PanelBusService(PanelController& panel, QObject* parent)
    : QObject(parent), m_panel(panel), m_bus(QString()) {
    RegisterChannelStateTypes();
    connect(
        &panel, &PanelController::ChannelChanged, this,
        [this](int channel, bool on, int level) { Q_EMIT ChannelChanged(channel + 1, on, level); });
    connect(&panel, &PanelController::SelectedChannelChanged, this, [this](int channel) {
        AnnounceProperties({{QStringLiteral("SelectedChannel"), channel + 1}});
    });
    // The lamp's state and whether the port is open move together.
    connect(&panel, &PanelController::LinkStateChanged, this, [this](LinkState state) {
        AnnounceProperties(
            {{QStringLiteral("LinkState"), QString::fromLatin1(LinkStateName(state))},
             {QStringLiteral("PortOpen"), PortOpen()}});
    });
    connect(&panel, &PanelController::PortChanged, this, [this](const QString& port) {
        AnnounceProperties({{QStringLiteral("Port"), port}});
    });
    connect(&panel, &PanelController::FadingChanged, this, [this](bool fading) {
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
    if (!bus.registerObject(MorvixBus::Path(), this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals |
                                QDBusConnection::ExportAllProperties))
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
    return m_panel.Settings().PortName();
}
bool PanelBusService::PortOpen() const {
    return m_panel.PortOpen();
}
QString PanelBusService::LinkStateText() const {
    return QString::fromLatin1(LinkStateName(m_panel.CurrentLinkState()));
}
int PanelBusService::SelectedChannel() const {
    return m_panel.Channels().Selected() + 1;
}

bool PanelBusService::Fading() const {
    return m_panel.Fading();
}

bool PanelBusService::Refuse(const QString& problem) {
    if (problem.isEmpty())
        return false;
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, problem);
    return true;
}

void PanelBusService::SetChannel(int channel, bool on, int level) {
    if (Refuse(ChannelArgs::CheckChannel(channel)) || Refuse(ChannelArgs::CheckLevel(level)))
        return;
    m_panel.SetChannelState(channel - 1, on, level);
}

void PanelBusService::SetLevel(int channel, int level) {
    if (Refuse(ChannelArgs::CheckChannel(channel)) || Refuse(ChannelArgs::CheckLevel(level)))
        return;
    m_panel.SetChannelState(channel - 1, std::nullopt, level);
}

void PanelBusService::SetSwitch(int channel, bool on) {
    if (Refuse(ChannelArgs::CheckChannel(channel)))
        return;
    m_panel.SetChannelState(channel - 1, on, std::nullopt);
}

void PanelBusService::Step(int channel, int delta) {
    if (Refuse(ChannelArgs::CheckChannel(channel)) || Refuse(ChannelArgs::CheckDelta(delta)))
        return;
    m_panel.StepChannelBy(channel - 1, delta);
}

void PanelBusService::AllOff() {
    m_panel.AllChannelsOff();
}

ChannelStates PanelBusService::Channels() const {
    ChannelStates states;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        states.append({m_panel.Channels().On(c), m_panel.Channels().Level(c)});
    return states;
}

void PanelBusService::LoadPreset(const QString& path) {
    // The panel's working folder means nothing to the caller.
    if (Refuse(QDir::isAbsolutePath(path)
                   ? QString()
                   : QStringLiteral("path must be absolute, not \"%1\"").arg(path)))
        return;
    if (m_panel.LoadPresetFile(path) || !calledFromDBus())
        return;
    sendErrorReply(MorvixBus::PresetError(),
                   QStringLiteral("cannot read preset file %1").arg(path));
}

void PanelBusService::Fade(const ChannelStates& channels, double seconds) {
    if (Refuse(channels.size() == CHANNEL_COUNT
                   ? QString()
                   : QStringLiteral("channels must hold %1 (on, level) pairs, not %2")
                         .arg(CHANNEL_COUNT)
                         .arg(channels.size())))
        return;
    FadeTargets targets;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const QString bad = ChannelArgs::CheckLevel(channels[c].level);
        if (Refuse(bad.isEmpty() ? bad : QStringLiteral("channels[%1]: %2").arg(c).arg(bad)))
            return;
        targets[c] = ChannelSetting{channels[c].on, channels[c].level};
    }
    if (Refuse(ChannelArgs::CheckSeconds(seconds)))
        return;
    m_panel.StartFade(targets, seconds);
}

void PanelBusService::FadeToPreset(const QString& path, double seconds) {
    if (Refuse(QDir::isAbsolutePath(path)
                   ? QString()
                   : QStringLiteral("path must be absolute, not \"%1\"").arg(path)) ||
        Refuse(ChannelArgs::CheckSeconds(seconds)))
        return;
    if (m_panel.FadeToPresetFile(path, seconds) || !calledFromDBus())
        return;
    sendErrorReply(MorvixBus::PresetError(),
                   QStringLiteral("cannot read preset file %1").arg(path));
}

void PanelBusService::RecallScene(int slot) {
    if (Refuse(ChannelArgs::CheckSlot(slot)))
        return;
    const QString problem = m_panel.RecallScene(slot);
    if (!problem.isEmpty() && calledFromDBus())
        sendErrorReply(MorvixBus::SceneError(), problem);
}

void PanelBusService::StoreScene(int slot) {
    if (Refuse(ChannelArgs::CheckSlot(slot)))
        return;
    const QString problem = m_panel.StoreScene(slot);
    if (!problem.isEmpty() && calledFromDBus())
        sendErrorReply(MorvixBus::SceneError(), problem);
}

void PanelBusService::StopFade() {
    m_panel.StopFade();
}

void PanelBusService::Raise() {
    Q_EMIT RaiseRequested();
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
