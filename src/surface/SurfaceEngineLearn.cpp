#include "surface/SurfaceEngine.h"

void SurfaceEngine::SetLearning(bool learning) {
    m_learning = learning;
    m_heard.reset();
}

QString SurfaceEngine::AssignHeard(int channel, Element element) {
    if (!IsChannel(channel))
        return QStringLiteral("channel must be 1..%1").arg(CHANNEL_COUNT);
    if (!m_heard)
        return QStringLiteral("move a control on the surface first");
    const bool fader = element == Element::Fader;
    if (fader && m_heard->kind == MidiControl::Kind::Note)
        return QStringLiteral("a button cannot set a level; move a fader");
    if (!fader && m_heard->kind == MidiControl::Kind::PitchBend)
        return QStringLiteral("a fader cannot switch; press a button");
    // One control drives one element: it leaves whatever it was learned for before.
    for (auto* learned : {&m_learned.faders, &m_learned.switches}) {
        for (auto& control : *learned) {
            if (control == m_heard)
                control.reset();
        }
    }
    (fader ? m_learned.faders : m_learned.switches)[std::size_t(channel)] = m_heard;
    m_heard.reset();
    ResolveStrips();
    Q_EMIT LearnedChanged();
    return {};
}

// The profile's strips with the learned controls in their places; a control learned elsewhere
// leaves the profile's place it had.
void SurfaceEngine::ResolveStrips() {
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        m_strips[std::size_t(c)] = m_profile->strips[std::size_t(c)];
    const auto take = [this](const MidiControl& control) {
        for (SurfaceStrip& strip : m_strips) {
            for (MidiControl* place : {&strip.fader, &strip.button, &strip.touch}) {
                if (*place == control)
                    *place = MidiControl{};
            }
        }
    };
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const std::size_t i = std::size_t(c);
        if (const auto& fader = m_learned.faders[i]) {
            take(*fader);
            m_strips[i].fader = *fader;
        }
        if (const auto& button = m_learned.switches[i]) {
            take(*button);
            m_strips[i].button = *button;
        }
    }
}
