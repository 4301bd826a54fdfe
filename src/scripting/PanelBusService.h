#pragma once

#include "model/LinkState.h"
#include "scripting/ChannelStates.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

class DeviceSession;
struct SessionAnswer;
struct SessionRequest;

// The running panel on the session bus: object /org/qv/Morvix, interface org.qv.Morvix.Panel.
// A thin adapter: every call becomes one of the session's requests with this caller as its origin;
// the session checks it and answers, and a refusal goes back as the D-Bus error. Channels are
// 1..8 here.
class PanelBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.qv.Morvix.Panel")
    Q_PROPERTY(QString Port READ Port)
    Q_PROPERTY(bool PortOpen READ PortOpen)
    Q_PROPERTY(QString LinkState READ LinkStateText)
    Q_PROPERTY(int SelectedChannel READ SelectedChannel)
    Q_PROPERTY(bool Fading READ Fading)

public:
    explicit PanelBusService(DeviceSession& session, QObject* parent = nullptr);
    ~PanelBusService() override;

    // Exports the object and then claims the well-known name, so a caller that finds the name
    // finds the object too. False, with nothing left registered, when the name is taken or the
    // bus refuses.
    bool Register(QDBusConnection bus);

    QString Port() const;
    bool PortOpen() const;
    QString LinkStateText() const;
    int SelectedChannel() const;
    bool Fading() const;

public Q_SLOTS:
    Q_SCRIPTABLE void SetChannel(int channel, bool on, int level);
    Q_SCRIPTABLE void SetLevel(int channel, int level);
    Q_SCRIPTABLE void SetSwitch(int channel, bool on);
    Q_SCRIPTABLE void Step(int channel, int delta);
    Q_SCRIPTABLE void AllOff();
    Q_SCRIPTABLE ChannelStates Channels() const;
    Q_SCRIPTABLE void LoadPreset(const QString& path);
    // Channels 1..8 in order, each (on, level), glided to over seconds 0..3600; (a(bi)d).
    Q_SCRIPTABLE void Fade(const ChannelStates& channels, double seconds);
    Q_SCRIPTABLE void FadeToPreset(const QString& path, double seconds);
    // Slots 1..8, as F2..F9 and Shift+F2..F9 on the panel.
    Q_SCRIPTABLE void RecallScene(int slot);
    Q_SCRIPTABLE void StoreScene(int slot);
    Q_SCRIPTABLE void StopFade();
    // Brings the panel's window to the front (a second start of the program asks for it).
    Q_SCRIPTABLE void Raise();

Q_SIGNALS:
    Q_SCRIPTABLE void ChannelChanged(int channel, bool on, int level);
    // Not on the bus: the window around the panel acts on it.
    void RaiseRequested();

private:
    // Hands the request to the session as this caller's; a refusal becomes the D-Bus error.
    void Ask(const SessionRequest& request);
    void Reply(const SessionAnswer& answer);
    void AnnounceProperties(const QVariantMap& changed);

    DeviceSession& m_session;
    QDBusConnection m_bus;
    bool m_registered = false;
};
