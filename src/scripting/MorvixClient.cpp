#include "scripting/MorvixClient.h"

#include "panelproxy.h"
#include "scripting/BusNames.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>

namespace {
constexpr int kCallTimeoutMs = 5000;
const QString kNotRunning = QStringLiteral("Morvix is not running");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

MorvixClient::Result FromError(const QDBusError& error) {
    const QString name = error.name();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {MorvixClient::Outcome::NotRunning, kNotRunning};
    return {MorvixClient::Outcome::Refused, error.message().isEmpty() ? name : error.message()};
}
} // namespace

MorvixClient::MorvixClient(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_proxy(new PanelProxy(MorvixBus::Service(), MorvixBus::Path(), m_bus, this)) {
    RegisterChannelStateTypes();
    m_proxy->setTimeout(kCallTimeoutMs);
}

// Makes one call through the proxy and blocks until the panel answered it.
template <typename Call> MorvixClient::Result MorvixClient::Send(Call call) {
    if (!m_bus.isConnected())
        return {Outcome::NotRunning, kNotRunning};
    QDBusPendingCall pending = call();
    pending.waitForFinished();
    return pending.isError() ? FromError(pending.error()) : Result{};
}

MorvixClient::Result MorvixClient::SetChannel(int channel, bool on, int level) {
    return Send([&] { return m_proxy->SetChannel(channel, on, level); });
}
MorvixClient::Result MorvixClient::SetLevel(int channel, int level) {
    return Send([&] { return m_proxy->SetLevel(channel, level); });
}
MorvixClient::Result MorvixClient::SetSwitch(int channel, bool on) {
    return Send([&] { return m_proxy->SetSwitch(channel, on); });
}
MorvixClient::Result MorvixClient::Step(int channel, int delta) {
    return Send([&] { return m_proxy->Step(channel, delta); });
}
MorvixClient::Result MorvixClient::AllOff() {
    return Send([&] { return m_proxy->AllOff(); });
}
MorvixClient::Result MorvixClient::LoadPreset(const QString& path) {
    return Send([&] { return m_proxy->LoadPreset(path); });
}
MorvixClient::Result MorvixClient::Raise() {
    return Send([&] { return m_proxy->Raise(); });
}
MorvixClient::Result MorvixClient::Fade(const ChannelStates& targets, double seconds) {
    return Send([&] { return m_proxy->Fade(targets, seconds); });
}
MorvixClient::Result MorvixClient::FadeToPreset(const QString& path, double seconds) {
    return Send([&] { return m_proxy->FadeToPreset(path, seconds); });
}
MorvixClient::Result MorvixClient::RecallScene(int slot) {
    return Send([&] { return m_proxy->RecallScene(slot); });
}
MorvixClient::Result MorvixClient::StoreScene(int slot) {
    return Send([&] { return m_proxy->StoreScene(slot); });
}
MorvixClient::Result MorvixClient::StopFade() {
    return Send([&] { return m_proxy->StopFade(); });
}

MorvixClient::Result MorvixClient::Channels(ChannelStates& states) {
    QDBusPendingReply<ChannelStates> reply;
    Result result = Send([&] { return reply = m_proxy->Channels(); });
    if (result.ok())
        states = reply.value();
    return result;
}

MorvixClient::Result MorvixClient::RemoteState(QVariantMap& state) {
    QDBusPendingReply<QVariantMap> reply;
    Result result = Send([&] { return reply = m_proxy->RemoteState(); });
    if (result.ok())
        state = reply.value();
    return result;
}

MorvixClient::Result MorvixClient::RemoteOn(bool lan, QString& link) {
    QDBusPendingReply<QString> reply;
    Result result = Send([&] { return reply = m_proxy->RemoteOn(lan); });
    if (result.ok())
        link = reply.value();
    return result;
}

MorvixClient::Result MorvixClient::RemoteOff() {
    return Send([&] { return m_proxy->RemoteOff(); });
}

MorvixClient::Result MorvixClient::RemoteNewLink(QString& link) {
    QDBusPendingReply<QString> reply;
    Result result = Send([&] { return reply = m_proxy->RemoteNewLink(); });
    if (result.ok())
        link = reply.value();
    return result;
}

// The proxy's property getters swallow errors, so properties are read through the standard
// Properties interface: a missing panel is told apart, and the status takes one round trip.
MorvixClient::Result MorvixClient::ReadProperties(const QString& method, const QVariantList& args,
                                                  QVariant& value) {
    if (!m_bus.isConnected())
        return {Outcome::NotRunning, kNotRunning};
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_proxy->service(), m_proxy->path(), kProperties, method);
    call.setArguments(args);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return FromError(QDBusError(reply));
    if (reply.arguments().size() != 1)
        return {Outcome::Refused, QStringLiteral("unexpected answer to %1").arg(method)};
    value = reply.arguments().constFirst();
    return {};
}

MorvixClient::Result MorvixClient::Fading(bool& fading) {
    QVariant value;
    Result result = ReadProperties(QStringLiteral("Get"),
                                   {m_proxy->interface(), QStringLiteral("Fading")}, value);
    if (result.ok())
        fading = value.value<QDBusVariant>().variant().toBool();
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

MorvixClient::Result MorvixClient::ReadStatus(Status& status) {
    QVariant value;
    Result result = ReadProperties(QStringLiteral("GetAll"), {m_proxy->interface()}, value);
    if (!result.ok())
        return result;
    QVariantMap properties;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> properties;
    status.port = properties.value(QStringLiteral("Port")).toString();
    status.portOpen = properties.value(QStringLiteral("PortOpen")).toBool();
    status.linkState = properties.value(QStringLiteral("LinkState")).toString();
    status.selectedChannel = properties.value(QStringLiteral("SelectedChannel")).toInt();
    return result;
}

MorvixClient::Result MorvixClient::SurfacePorts(QStringList& ports) {
    QDBusPendingReply<QStringList> reply;
    Result result = Send([&] { return reply = m_proxy->SurfacePorts(); });
    if (result.ok())
        ports = reply.value();
    return result;
}

MorvixClient::Result MorvixClient::Surface(QString& summary) {
    QVariant value;
    Result result = ReadProperties(QStringLiteral("Get"),
                                   {m_proxy->interface(), QStringLiteral("Surface")}, value);
    if (result.ok())
        summary = value.value<QDBusVariant>().variant().toString();
    return result;
}

MorvixClient::Result MorvixClient::UseSurface(const QString& port, const QString& profile) {
    return Send([&] { return m_proxy->UseSurface(port, profile); });
}

MorvixClient::Result MorvixClient::SurfaceOff() {
    return Send([&] { return m_proxy->SurfaceOff(); });
}

bool MorvixClient::Watch() {
    if (!m_bus.isConnected())
        return false;
    auto* watcher = new QDBusServiceWatcher(m_proxy->service(), m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &MorvixClient::PanelGone);
    // Connecting to the proxy's signal subscribes to it on the bus.
    return connect(m_proxy, &PanelProxy::ChannelChanged, this, &MorvixClient::ChannelChanged) &&
           m_bus.connect(m_proxy->service(), m_proxy->path(), kProperties,
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
}

void MorvixClient::OnPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                       const QStringList&) {
    if (interfaceName != m_proxy->interface())
        return;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        Q_EMIT PropertyChanged(it.key(), it.value());
}
