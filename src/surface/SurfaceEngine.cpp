#include "surface/SurfaceEngine.h"

#include "session/DeviceSession.h"
#include "surface/MidiScaling.h"

#include <atomic>

namespace {

quint64 NextSurfaceClient() {
    static std::atomic<quint64> next{1};
    return next++;
}

bool Pressed(const MidiEvent& event) {
    return event.type != MidiEvent::Type::NoteOff && event.value > 0;
}

} // namespace

SurfaceEngine::SurfaceEngine(DeviceSession& session, QObject* parent)
    : QObject(parent),
      m_session(session), m_origin{ChangeOrigin::Kind::Surface, NextSurfaceClient()},
      m_profile(&GenericSurfaceProfile()) {
    m_clockBase.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SurfaceEngine::Tick);
    connect(&session, &DeviceSession::ChannelChanged, this, &SurfaceEngine::OnChannelChanged);
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        m_levels[std::size_t(c)] = session.Channels().Level(c);
        m_switches[std::size_t(c)] = session.Channels().On(c);
    }
    ResolveStrips();
}

void SurfaceEngine::Configure(const SurfaceProfile& profile, const LearnedMap& learned,
                              bool pickUp) {
    m_profile = &profile;
    m_learned = learned;
    m_pickUpOn = pickUp;
    ResolveStrips();
    for (FaderPickUp& fader : m_pickUp)
        fader.Forget();
    PublishMarks();
}

void SurfaceEngine::Connect() {
    m_connected = true;
    m_pacer.Clear();
    // Nobody knows where a fader without a motor stands until it is moved.
    for (FaderPickUp& fader : m_pickUp)
        fader.Forget();
    const Clock now = Now();
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const std::size_t i = std::size_t(c);
        m_levels[i] = m_session.Channels().Level(c);
        m_switches[i] = m_session.Channels().On(c);
        if (m_profile->faderFeedback && m_strips[i].fader.Present()) {
            Send(c, FaderValue(c, m_levels[i]));
            m_pacer.Sent(c, now);
        }
        if (m_strips[i].button.Present()) {
            Send(CHANNEL_COUNT + c, LampValue(m_switches[i]));
            m_pacer.Sent(CHANNEL_COUNT + c, now);
        }
    }
    PublishMarks();
}

void SurfaceEngine::Disconnect() {
    m_connected = false;
    m_pacer.Clear();
    m_timer.stop();
    PublishMarks();
}

void SurfaceEngine::Receive(const MidiEvent& event) {
    if (m_learning) {
        // A release says nothing new; the press or the move before it was heard.
        if (!Pressed(event) && event.type != MidiEvent::Type::PitchBend &&
            event.type != MidiEvent::Type::ControlChange)
            return;
        const MidiControl control = MidiControl::Of(event);
        if (m_heard != control) {
            m_heard = control;
            Q_EMIT ControlHeard(control.ToText());
        }
        return;
    }
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const SurfaceStrip& strip = m_strips[std::size_t(c)];
        if (strip.touch.Matches(event))
            return ReceiveTouch(c, Pressed(event));
        if (strip.fader.Matches(event)) {
            const bool wide = strip.fader.kind == MidiControl::Kind::PitchBend;
            return ReceiveFader(c, wide ? LevelFrom14Bit(event.value) : LevelFrom7Bit(event.value));
        }
        if (strip.button.Matches(event)) {
            // A press toggles; the release does nothing.
            if (Pressed(event))
                m_session.Request(SessionRequest::Toggle(c + 1), m_origin);
            return;
        }
    }
}

void SurfaceEngine::ReceiveFader(int channel, int reading) {
    FaderPickUp& pickUp = m_pickUp[std::size_t(channel)];
    if (m_pickUpOn && !pickUp.Read(reading, m_session.Channels().Level(channel))) {
        PublishMarks();
        return;
    }
    m_session.Request(SessionRequest::Level(channel + 1, reading), m_origin);
    // The controller shows this value already: nothing older may go back to it.
    m_pacer.Drop(channel);
    PublishMarks();
}

void SurfaceEngine::ReceiveTouch(int channel, bool touched) {
    m_pacer.Touch(channel, touched, Now());
    if (!touched && m_profile->faderFeedback)
        m_pacer.Want(channel, FaderValue(channel, m_session.Channels().Level(channel)));
    Schedule();
}

void SurfaceEngine::OnChannelChanged(int channel, bool on, int level, ChangeOrigin origin) {
    if (!IsChannel(channel))
        return;
    const std::size_t i = std::size_t(channel);
    const bool mine = origin == m_origin;
    if (level != m_levels[i]) {
        m_levels[i] = level;
        if (mine) {
            m_pacer.Drop(channel);
        } else {
            // Moved from elsewhere: the fader must catch the new level, and a motor follows it.
            m_pickUp[i].Release();
            if (m_profile->faderFeedback)
                m_pacer.Want(channel, FaderValue(channel, level));
        }
    }
    // A lamp in external mode lights only when told, so the surface's own press is answered too.
    if (on != m_switches[i]) {
        m_switches[i] = on;
        m_pacer.Want(CHANNEL_COUNT + channel, LampValue(on));
    }
    Tick();
    PublishMarks();
}

void SurfaceEngine::Tick() {
    if (!m_connected)
        return;
    for (const FeedbackPacer::Send& send : m_pacer.Due(Now()))
        Send(send.slot, send.value);
    Schedule();
}

void SurfaceEngine::Send(int slot, int value) {
    if (!m_send)
        return;
    const SurfaceStrip& strip = m_strips[std::size_t(slot % CHANNEL_COUNT)];
    const MidiControl& control = slot < CHANNEL_COUNT ? strip.fader : strip.button;
    if (control.Present())
        m_send(control.Message(value));
}

int SurfaceEngine::FaderValue(int channel, int level) const {
    const int clamped = ClampLevel(level);
    return m_strips[std::size_t(channel)].fader.kind == MidiControl::Kind::PitchBend
               ? LevelTo14Bit(clamped)
               : LevelTo7Bit(clamped);
}

int SurfaceEngine::LampValue(bool on) const {
    return on ? m_profile->lampOn : m_profile->lampOff;
}

void SurfaceEngine::Schedule() {
    const auto next = m_pacer.NextDue();
    if (!m_connected || m_ticksByHand || !next) {
        m_timer.stop();
        return;
    }
    m_timer.start(int(std::max<qint64>(0, (*next - Now()).count())));
}

PickUpMarks SurfaceEngine::Marks() const {
    PickUpMarks marks{};
    if (!m_connected || !m_pickUpOn)
        return marks;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        marks[std::size_t(c)] = m_pickUp[std::size_t(c)].Mark(m_session.Channels().Level(c));
    return marks;
}

void SurfaceEngine::PublishMarks() {
    const PickUpMarks marks = Marks();
    if (marks == m_marks)
        return;
    m_marks = marks;
    Q_EMIT MarksChanged(marks);
}

SurfaceEngine::Clock SurfaceEngine::Now() const {
    return m_clock ? m_clock() : Clock(m_clockBase.elapsed());
}
