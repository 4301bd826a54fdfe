#pragma once

#include "model/PickUpMarks.h"
#include "session/ChangeOrigin.h"
#include "surface/FaderPickUp.h"
#include "surface/FeedbackPacer.h"
#include "surface/MidiEvent.h"
#include "surface/SurfaceChoice.h"
#include "surface/SurfaceProfile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

class DeviceSession;

// The control surface's rules, apart from any transport: what a controller's messages ask of the
// session, and what goes back to the controller. Faders set levels and buttons toggle switches
// through the session's Request with this surface as origin; feedback follows every announcement
// but the fader's own echo, paced per control. Pick-up keeps a fader without a motor from
// changing its channel before it reaches the channel's level.
class SurfaceEngine : public QObject {
    Q_OBJECT

public:
    using Clock = FeedbackPacer::Clock;
    enum class Element { Fader, Switch };

    explicit SurfaceEngine(DeviceSession& session, QObject* parent = nullptr);

    // Where messages to the controller go.
    void SetOutput(std::function<void(const MidiEvent&)> send) { m_send = std::move(send); }
    // Tests step the clock and the pacing themselves.
    void SetClock(std::function<Clock()> clock) { m_clock = std::move(clock); }
    void DriveTicksByHand(bool byHand) { m_ticksByHand = byHand; }

    void Configure(const SurfaceProfile& profile, const LearnedMap& learned, bool pickUp);
    const SurfaceProfile& Profile() const { return *m_profile; }
    bool PickUpOn() const { return m_pickUpOn; }
    // The controller is there: it gets the whole state, and every fader must be caught again.
    void Connect();
    void Disconnect();
    bool Connected() const { return m_connected; }
    ChangeOrigin Origin() const { return m_origin; }

    void Receive(const MidiEvent& event);
    // Sends the feedback that is due now.
    void Tick();

    PickUpMarks Marks() const;

    // Learn: while on, the next control moved is heard instead of acted on, and AssignHeard puts
    // it on a panel element. Empty when assigned, else why not.
    void SetLearning(bool learning);
    bool Learning() const { return m_learning; }
    std::optional<MidiControl> HeardControl() const { return m_heard; }
    QString AssignHeard(int channel, Element element);
    const LearnedMap& Learned() const { return m_learned; }

Q_SIGNALS:
    void MarksChanged(const PickUpMarks& marks);
    // A control was moved while learning, as "cc/1/12".
    void ControlHeard(const QString& control);
    void LearnedChanged();

private:
    void OnChannelChanged(int channel, bool on, int level, ChangeOrigin origin);
    void ReceiveFader(int channel, int reading);
    void ReceiveTouch(int channel, bool touched);
    void Send(int slot, int value);
    int FaderValue(int channel, int level) const;
    int LampValue(bool on) const;
    void ResolveStrips();
    void Schedule();
    void PublishMarks();
    Clock Now() const;

    DeviceSession& m_session;
    ChangeOrigin m_origin;
    const SurfaceProfile* m_profile;
    LearnedMap m_learned;
    std::array<SurfaceStrip, CHANNEL_COUNT> m_strips{};
    bool m_pickUpOn = false;
    bool m_connected = false;
    // Faders 0..7, then lamps.
    FeedbackPacer m_pacer{2 * CHANNEL_COUNT};
    std::array<FaderPickUp, CHANNEL_COUNT> m_pickUp{};
    std::array<int, CHANNEL_COUNT> m_levels{};
    std::array<bool, CHANNEL_COUNT> m_switches{};
    PickUpMarks m_marks{};
    bool m_learning = false;
    std::optional<MidiControl> m_heard;
    std::function<void(const MidiEvent&)> m_send;
    std::function<Clock()> m_clock;
    QElapsedTimer m_clockBase;
    QTimer m_timer;
    bool m_ticksByHand = false;
};
