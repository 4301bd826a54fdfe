#pragma once

#include "model/LinkState.h"
#include "scripting/ChannelStates.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

class DeviceSession;
class SurfaceBusPort;
class RemoteBusPort;
struct SessionAnswer;
struct SessionRequest;

// The running panel on the session bus: object /org/qv/Morvix, interface org.qv.Morvix.Panel as
// org.qv.Morvix.Panel.xml writes it down. The adaptor generated from that file forwards each call
// here; every call becomes one of the session's requests with this caller as its origin, the
// session checks it and answers, and a refusal goes back as the D-Bus error. Channels are 1..8.
// This object, not the adaptor, is registered and holds the call's context, and the adaptor reads
// the properties below by their bus names.
class PanelBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QString Port READ Port)
    Q_PROPERTY(bool PortOpen READ PortOpen)
    Q_PROPERTY(QString LinkState READ LinkStateText)
    Q_PROPERTY(int SelectedChannel READ SelectedChannel)
    Q_PROPERTY(bool Fading READ Fading)
    Q_PROPERTY(QString Surface READ Surface)

public:
    explicit PanelBusService(DeviceSession& session, QObject* parent = nullptr);
    ~PanelBusService() override;

    // Exports the object and then claims the well-known name, so a caller that finds the name
    // finds the object too. False, with nothing left registered, when the name is taken or the
    // bus refuses.
    bool Register(QDBusConnection bus);
    // The browser remote the bus turns on and off; none, and its calls are refused.
    void SetRemote(RemoteBusPort* remote) { m_remote = remote; }

    QString Port() const;
    bool PortOpen() const;
    QString LinkStateText() const;
    int SelectedChannel() const;
    bool Fading() const;
    QString Surface() const;
    // The control surface's calls go here; nullptr (the default) answers them with an error.
    void SetSurfacePort(SurfaceBusPort* port) { m_surface = port; }
    // The surface's state changed: tells the bus.
    void AnnounceSurface();

public Q_SLOTS:
    void SetChannel(int channel, bool on, int level);
    void SetLevel(int channel, int level);
    void SetSwitch(int channel, bool on);
    void Step(int channel, int delta);
    void AllOff();
    ChannelStates Channels() const;
    void LoadPreset(const QString& path);
    // Channels 1..8 in order, each (on, level), glided to over seconds 0..3600.
    void Fade(const ChannelStates& channels, double seconds);
    void FadeToPreset(const QString& path, double seconds);
    // Slots 1..8, as F2..F9 and Shift+F2..F9 on the panel.
    void RecallScene(int slot);
    void StoreScene(int slot);
    void StopFade();
    // Brings the panel's window to the front (a second start of the program asks for it).
    void Raise();
    QStringList SurfacePorts();
    void UseSurface(const QString& port, const QString& profile);
    void SurfaceOff();
    // The browser remote; see the interface file for the state's keys.
    QVariantMap RemoteState();
    QString RemoteOn(bool lan);
    void RemoteOff();
    QString RemoteNewLink();

Q_SIGNALS:
    // Relayed to the bus by the adaptor, which has a signal of the same signature.
    void ChannelChanged(int channel, bool on, int level);
    // Not on the bus: the window around the panel acts on it.
    void RaiseRequested();

private:
    // Hands the request to the session as this caller's; a refusal becomes the D-Bus error.
    void Ask(const SessionRequest& request);
    void Reply(const SessionAnswer& answer);
    void AnnounceProperties(const QVariantMap& changed);
    // The remote, or null after the caller was told there is none.
    RemoteBusPort* Remote();

    DeviceSession& m_session;
    QDBusConnection m_bus;
    bool m_registered = false;
    SurfaceBusPort* m_surface = nullptr;
    RemoteBusPort* m_remote = nullptr;
};
