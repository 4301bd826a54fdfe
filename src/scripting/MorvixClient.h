#pragma once

#include "scripting/ChannelStates.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariant>

class PanelProxy;

// Talks to a running panel over the session bus; what morvix-ctl and other programs use.
// Each call blocks until the panel answered, refused or is found missing.
class MorvixClient : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Done,
        NotRunning, // no session bus, or no panel owns the name
        Refused,    // the panel said no (bad argument, unreadable preset) or did not answer
    };
    struct Result {
        Outcome outcome = Outcome::Done;
        QString message; // empty when done
        bool ok() const { return outcome == Outcome::Done; }
    };
    struct Status {
        QString port;
        bool portOpen = false;
        QString linkState;
        int selectedChannel = 0;
    };

    explicit MorvixClient(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);

    Result SetChannel(int channel, bool on, int level);
    Result SetLevel(int channel, int level);
    Result SetSwitch(int channel, bool on);
    Result Step(int channel, int delta);
    Result AllOff();
    Result LoadPreset(const QString& path);
    Result Raise();
    // Channels 1..8 in order, each (on, level); seconds 0..3600.
    Result Fade(const ChannelStates& targets, double seconds);
    Result FadeToPreset(const QString& path, double seconds);
    Result RecallScene(int slot);
    Result StoreScene(int slot);
    Result StopFade();
    Result Fading(bool& fading);
    // After Watch() and the call that started a fade: returns once the panel says no fade runs.
    Result WaitUntilFadeEnds();
    Result Channels(ChannelStates& states);
    // The browser remote; see the interface file for the state's keys.
    Result RemoteState(QVariantMap& state);
    Result RemoteOn(bool lan, QString& link);
    Result RemoteOff();
    Result RemoteNewLink(QString& link);
    Result ReadStatus(Status& status);
    // The control surface: the ports a controller can send from, the current choice as one line,
    // and choosing (an empty profile keeps the current one) or dropping the controller.
    Result SurfacePorts(QStringList& ports);
    Result Surface(QString& summary);
    Result UseSurface(const QString& port, const QString& profile);
    Result SurfaceOff();

    // Relays the panel's change signals; false when the bus refused the subscriptions.
    bool Watch();

Q_SIGNALS:
    void ChannelChanged(int channel, bool on, int level);
    // Property name and new value: LinkState, PortOpen, Port, SelectedChannel, Fading.
    void PropertyChanged(const QString& name, const QVariant& value);
    // The panel left the bus while being watched.
    void PanelGone();

private Q_SLOTS:
    void OnPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    template <typename Call> Result Send(Call call);
    Result ReadProperties(const QString& method, const QVariantList& args, QVariant& value);

    QDBusConnection m_bus;
    PanelProxy* m_proxy; // generated from the interface's XML; a child of this client
};
