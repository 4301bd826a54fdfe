#pragma once

#include "surface/AlsaSequencer.h"
#include "surface/SurfaceChoice.h"
#include "surface/SurfaceEngine.h"

#include <QObject>
#include <QString>
#include <QStringList>

class DeviceSession;

// The control surface as the application holds it: the choice kept in surface.ini, the
// sequencer that carries the controller's messages, and the rules between them and the session.
class ControlSurface : public QObject {
    Q_OBJECT

public:
    explicit ControlSurface(DeviceSession& session, QObject* parent = nullptr);

    // Reads surface.ini from the settings folder and opens the sequencer when a port is chosen.
    // Problems go to stderr, one line each; the panel runs on without the surface.
    void Start(const QString& settingsFolder);

    // Sending ports by name; empty, with `error` set, when there is no sequencer.
    QStringList Ports(QString* error = nullptr);
    // Checks the choice, keeps it in surface.ini and follows it. Empty when done, else why not,
    // and then nothing changed.
    QString Apply(const SurfaceChoice& choice);
    // "use PORT [PROFILE]": the profile's default pick-up and the learned map stay as chosen
    // before only when the profile stays the same.
    QString Use(const QString& port, const QString& profile);
    void Off();

    const SurfaceChoice& Choice() const { return m_choice; }
    bool Attached() const { return m_sequencer.Attached(); }
    // "nanoKONTROL2 ✓", "fader box: unplugged", "APC mini: no MIDI" (no sequencer); empty with
    // no surface chosen. Short: the status bar has little room.
    QString StateText() const;
    // One line for scripts: the port, the profile, pick-up and the state.
    QString Summary() const;
    SurfaceEngine& Engine() { return m_engine; }

Q_SIGNALS:
    void StateChanged();
    void PortsChanged();

private:
    void Follow();
    void OnAttachedChanged(bool attached);

    DeviceSession& m_session;
    SurfaceEngine m_engine;
    AlsaSequencer m_sequencer;
    SurfaceChoice m_choice;
    QString m_iniPath;
    bool m_warnedSequencer = false;
};
