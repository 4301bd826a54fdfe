#include "scripting/MorvixClient.h"

#include "scripting/BusNames.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>

namespace {
constexpr int kCallTimeoutMs = 5000;
const QString kNotRunning = QStringLiteral("Morvix is not running");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
} // namespace

MorvixClient::MorvixClient(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    RegisterChannelStateTypes();
}

MorvixClient::Result MorvixClient::Call(const QString& method, const QVariantList& args,
                                        QVariantList* replyArgs) {
    if (!m_bus.isConnected())
        return {Outcome::NotRunning, kNotRunning};
    const bool isProperty = method == QLatin1String("GetAll") || method == QLatin1String("Get");
    QDBusMessage call =
        QDBusMessage::createMethodCall(MorvixBus::Service(), MorvixBus::Path(),
                                       isProperty ? kProperties : MorvixBus::Interface(), method);
    call.setArguments(args);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (replyArgs)
            *replyArgs = reply.arguments();
        return {};
    }
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {Outcome::NotRunning, kNotRunning};
    return {Outcome::Refused, reply.errorMessage().isEmpty() ? name : reply.errorMessage()};
}

MorvixClient::Result MorvixClient::SetChannel(int channel, bool on, int level) {
    return Call(QStringLiteral("SetChannel"), {channel, on, level});
}
MorvixClient::Result MorvixClient::SetLevel(int channel, int level) {
    return Call(QStringLiteral("SetLevel"), {channel, level});
}
MorvixClient::Result MorvixClient::SetSwitch(int channel, bool on) {
    return Call(QStringLiteral("SetSwitch"), {channel, on});
}
MorvixClient::Result MorvixClient::Step(int channel, int delta) {
    return Call(QStringLiteral("Step"), {channel, delta});
}
MorvixClient::Result MorvixClient::AllOff() {
    return Call(QStringLiteral("AllOff"), {});
}
MorvixClient::Result MorvixClient::LoadPreset(const QString& path) {
    return Call(QStringLiteral("LoadPreset"), {path});
}
MorvixClient::Result MorvixClient::Raise() {
    return Call(QStringLiteral("Raise"), {});
}

MorvixClient::Result MorvixClient::Fade(const ChannelStates& targets, double seconds) {
    return Call(QStringLiteral("Fade"), {QVariant::fromValue(targets), seconds});
}
MorvixClient::Result MorvixClient::FadeToPreset(const QString& path, double seconds) {
    return Call(QStringLiteral("FadeToPreset"), {path, seconds});
}
MorvixClient::Result MorvixClient::RecallScene(int slot) {
    return Call(QStringLiteral("RecallScene"), {slot});
}
MorvixClient::Result MorvixClient::StoreScene(int slot) {
    return Call(QStringLiteral("StoreScene"), {slot});
}
MorvixClient::Result MorvixClient::StopFade() {
    return Call(QStringLiteral("StopFade"), {});
}

MorvixClient::Result MorvixClient::Fading(bool& fading) {
    QVariantList reply;
    Result result =
        Call(QStringLiteral("Get"), {MorvixBus::Interface(), QStringLiteral("Fading")}, &reply);
    if (!result.ok())
        return result;
    if (reply.size() != 1)
        return {Outcome::Refused, QStringLiteral("unexpected answer to Fading")};
    fading = reply[0].value<QDBusVariant>().variant().toBool();
    return result;
}

MorvixClient::Result MorvixClient::WaitUntilFadeEnds() {
    QEventLoop loop;
    Result outcome;
    bool ended = false;
    connect(this, &MorvixClient::PropertyChanged, &loop,
            [&](const QString& name, const QVariant& value) {
                if (name == QLatin1String("Fading") && !value.toBool()) {
                    ended = true;
                    loop.quit();
                }
            });
    connect(this, &MorvixClient::PanelGone, &loop, [&] {
        outcome = {Outcome::NotRunning, kNotRunning};
        loop.quit();
    });
    // Asked after subscribing, so an end between the call and here is not missed.
    bool fading = false;
    if (Result asked = Fading(fading); !asked.ok())
        return asked;
    if (!fading)
        return {};
    loop.exec();
    return ended ? Result{} : outcome;
}

MorvixClient::Result MorvixClient::Channels(ChannelStates& states) {
    QVariantList reply;
    Result result = Call(QStringLiteral("Channels"), {}, &reply);
    if (!result.ok())
        return result;
    if (reply.size() != 1 || !reply[0].canConvert<QDBusArgument>())
        return {Outcome::Refused, QStringLiteral("unexpected answer to Channels")};
    states.clear();
    reply[0].value<QDBusArgument>() >> states;
    return result;
}

MorvixClient::Result MorvixClient::ReadStatus(Status& status) {
    QVariantList reply;
    Result result = Call(QStringLiteral("GetAll"), {MorvixBus::Interface()}, &reply);
    if (!result.ok())
        return result;
    QVariantMap properties;
    if (reply.size() == 1 && reply[0].canConvert<QDBusArgument>())
        reply[0].value<QDBusArgument>() >> properties;
    status.port = properties.value(QStringLiteral("Port")).toString();
    status.portOpen = properties.value(QStringLiteral("PortOpen")).toBool();
    status.linkState = properties.value(QStringLiteral("LinkState")).toString();
    status.selectedChannel = properties.value(QStringLiteral("SelectedChannel")).toInt();
    return result;
}

bool MorvixClient::Watch() {
    if (!m_bus.isConnected())
        return false;
    auto* watcher = new QDBusServiceWatcher(MorvixBus::Service(), m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &MorvixClient::PanelGone);
    const QString service = MorvixBus::Service();
    const QString path = MorvixBus::Path();
    return m_bus.connect(service, path, MorvixBus::Interface(), QStringLiteral("ChannelChanged"),
                         this, SLOT(OnChannelChanged(int, bool, int))) &&
           m_bus.connect(service, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                         SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
}

void MorvixClient::OnChannelChanged(int channel, bool on, int level) {
    Q_EMIT ChannelChanged(channel, on, level);
}

void MorvixClient::OnPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                       const QStringList&) {
    if (interfaceName != MorvixBus::Interface())
        return;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        Q_EMIT PropertyChanged(it.key(), it.value());
}
